#include "report/report_staging.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "run/failure.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#endif

namespace fs = std::filesystem;

namespace {

constexpr std::string_view staged_prefix = ".spotweave-";
constexpr std::string_view staged_suffix = ".part";

unsigned long long process_id() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long long>(getpid());
#endif
}

// Whether process `id` may still be running: only a process known to be gone
// gives its files up.
bool may_be_running(unsigned long long id) {
#ifdef _WIN32
    if (id > 0xFFFFFFFFull) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
#else
    if (id == 0 || id > static_cast<unsigned long long>(INT_MAX)) return true;
    return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
#endif
}

// A staged report's name taken apart: the process that writes it and the report.
struct staged {
    bool is_staged = false;
    unsigned long long process = 0;
    std::string report;
    fs::path path;  // where it was found
};

staged parse_staged(std::string_view name) {
    staged found;
    if (!name.starts_with(staged_prefix) || !name.ends_with(staged_suffix)) return found;
    name = name.substr(staged_prefix.size(), name.size() - staged_prefix.size() - staged_suffix.size());
    std::size_t digits = 0;
    while (digits < name.size() && digits < 19 && name[digits] >= '0' && name[digits] <= '9')
        found.process = found.process * 10 + static_cast<unsigned long long>(name[digits++] - '0');
    if (digits == 0 || digits >= name.size() || name[digits] != '-' || digits + 1 == name.size()) return found;
    found.report = std::string(name.substr(digits + 1));
    found.is_staged = true;
    return found;
}

fs::path folder_of(const std::string& dir) { return dir.empty() ? fs::path(".") : fs::path(dir); }

// The staged files of `dir` as regular files, with what their names say.
std::vector<staged> staged_files(const fs::path& dir) {
    std::vector<staged> found;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        staged s;
        try {
            s = parse_staged(it->path().filename().string());
        } catch (const std::exception&) {
            continue;  // a name this system cannot spell in the narrow encoding: not ours
        }
        std::error_code status_error;
        s.path = it->path();
        if (s.is_staged && fs::is_regular_file(fs::symlink_status(it->path(), status_error))) found.push_back(s);
    }
    return found;
}

// The reports this process has staged in the output folder, by name.
std::vector<std::string> own_reports(const run_settings& s) {
    std::vector<std::string> reports;
    for (const staged& file : staged_files(folder_of(s.output_dir)))
        if (file.process == process_id()) reports.push_back(file.report);
    std::sort(reports.begin(), reports.end());
    return reports;
}

[[noreturn]] void not_in_place(const std::string& path, const std::string& why, const char* remedy,
                               const std::vector<std::string>& replaced) {
    std::string done = "no report was replaced";
    if (!replaced.empty()) {
        done.clear();
        for (const std::string& report : replaced) done += (done.empty() ? "" : ", ") + report;
        done += replaced.size() == 1 ? " is this run's, the other reports are from before"
                                     : " are this run's, the other reports are from before";
    }
    failure_stop("can't put the new report in place of " + path + ": " + why + "; " + done + "; " + remedy +
                 " and run again\n");
}

}  // namespace

std::string in_folder(const std::string& dir, std::string_view name) {
    if (dir.empty()) return std::string(name);
    const char last = dir.back();
    if (last == '/' || last == '\\') return dir + std::string(name);
#ifdef _WIN32
    return dir + "\\" + std::string(name);
#else
    return dir + "/" + std::string(name);
#endif
}

std::string staged_name(std::string_view report) {
    return std::string(staged_prefix) + std::to_string(process_id()) + "-" + std::string(report) +
           std::string(staged_suffix);
}

std::string shown_report_path(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const staged s = parse_staged(path.substr(start));
    if (!s.is_staged) return std::string(path);
    return std::string(path.substr(0, start)) + s.report;
}

void clear_stale_reports(const std::string& dir) {
    for (const staged& file : staged_files(folder_of(dir))) {
        if (file.process == process_id() || may_be_running(file.process)) continue;
        std::error_code error;
        fs::remove(file.path, error);
    }
}

void publish_reports(const run_settings& s) {
    const std::vector<std::string> reports = own_reports(s);
    for (const std::string& report : reports) {
        const std::string target = in_folder(s.output_dir, report);
        std::error_code error;
        if (fs::is_directory(fs::symlink_status(target, error)))
            not_in_place(target, "a folder of that name is in the way", "move the folder away", {});
    }
    std::vector<std::string> replaced;
    for (const std::string& report : reports) {
        const std::string target = in_folder(s.output_dir, report);
        std::error_code error;
        fs::rename(in_folder(s.output_dir, staged_name(report)), target, error);
        if (error) not_in_place(target, error.message(), "close the program that holds it", replaced);
        replaced.push_back(target);
    }
}

void discard_staged_reports(const run_settings& s) {
    for (const std::string& report : own_reports(s)) {
        std::error_code error;
        fs::remove(in_folder(s.output_dir, staged_name(report)), error);
    }
}
