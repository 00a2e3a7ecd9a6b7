#include "report/report_staging.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "report/report_file.hpp"
#include "run/failure.hpp"
#include "support/case_folders.hpp"
#include "support/temp_dir.hpp"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// The id of a process that has ended.
long ended_process() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    return static_cast<long>(child);
}

std::string staged_of(long process, const std::string& report) {
    return ".spotweave-" + std::to_string(process) + "-" + report + ".part";
}

}  // namespace

TEST(report_staging, reports_are_staged_beside_their_place_only_when_asked) {
    run_settings s;
    s.output_dir = "out";
    EXPECT_EQ(report_path(s, "cor.txt"), "out/cor.txt");
    s.stage_reports = true;
    const std::string staged = "out/" + staged_of(static_cast<long>(getpid()), "cor.txt");
    EXPECT_EQ(report_path(s, "cor.txt"), staged);
    EXPECT_EQ(final_report_path(s, "cor.txt"), "out/cor.txt");
    // Messages name the report, not its temporary name.
    EXPECT_EQ(shown_report_path(staged), "out/cor.txt");
    EXPECT_EQ(shown_report_path("C:\\runs\\" + staged_of(12, "qc.txt")), "C:\\runs\\qc.txt");
    for (const std::string plain : {"out/cor.txt", ".spotweave-12-.part", ".spotweave--cor.txt.part",
                                    ".spotweave-12-cor.txt", "spotweave-12-cor.txt.part", ".spotweave-1x-cor.txt.part"})
        EXPECT_EQ(shown_report_path(plain), plain);
}

TEST(report_staging, a_later_run_removes_only_what_an_ended_run_staged) {
    const fs::path dir = fresh_temp_directory("spotweave-staging");
    const long gone = ended_process();
    const long live = static_cast<long>(getppid());
    const long own = static_cast<long>(getpid());
    write(dir / staged_of(gone, "cor.txt"), "partial");
    write(dir / staged_of(gone, "report.html"), "partial");
    // Kept: the files of this run and of a run still going, names that only
    // look alike, a folder and a link of a staged report's name.
    const std::string kept[] = {staged_of(own, "cor.txt"),
                                staged_of(live, "data.txt"),
                                "cor.txt",
                                ".spotweave-x-cor.txt.part",
                                ".spotweave-" + std::to_string(gone) + "-cor.txt",
                                "spotweave-" + std::to_string(gone) + "-cor.txt.part"};
    for (const std::string& name : kept) write(dir / name, "user");
    fs::create_directory(dir / staged_of(gone, "merge.txt"));
    fs::create_symlink("cor.txt", dir / staged_of(gone, "data.txt"));
    clear_stale_reports(dir.string());
    EXPECT_FALSE(fs::exists(dir / staged_of(gone, "cor.txt")));
    EXPECT_FALSE(fs::exists(dir / staged_of(gone, "report.html")));
    for (const std::string& name : kept) EXPECT_EQ(read_file(dir / name), "user") << name;
    EXPECT_TRUE(fs::is_directory(dir / staged_of(gone, "merge.txt")));
    EXPECT_TRUE(fs::is_symlink(dir / staged_of(gone, "data.txt")));
    fs::remove_all(dir);
}

TEST(report_staging, publishing_renames_every_staged_report_and_nothing_else) {
    const fs::path dir = fresh_temp_directory("spotweave-staging");
    run_settings s;
    s.output_dir = dir.string();
    s.stage_reports = true;
    for (const char* report : {"cor.txt", "data.txt", "qc.txt"}) {
        write(dir / report, "earlier");
        write(report_path(s, report), std::string("new ") + report);
    }
    write(dir / staged_of(static_cast<long>(getppid()), "merge.txt"), "another run's");
    publish_reports(s);
    for (const char* report : {"cor.txt", "data.txt", "qc.txt"})
        EXPECT_EQ(read_file(dir / report), std::string("new ") + report);
    EXPECT_FALSE(fs::exists(dir / "merge.txt"));
    EXPECT_TRUE(fs::exists(dir / staged_of(static_cast<long>(getppid()), "merge.txt")));
    fs::remove_all(dir);
}

TEST(report_staging, a_folder_in_a_reports_place_stops_before_any_rename) {
    const fs::path dir = fresh_temp_directory("spotweave-staging");
    run_settings s;
    s.output_dir = dir.string();
    s.stage_reports = true;
    write(dir / "cor.txt", "earlier");
    fs::create_directory(dir / "data.txt");
    write(report_path(s, "cor.txt"), "new");
    write(report_path(s, "data.txt"), "new");
    try {
        publish_reports(s);
        ADD_FAILURE() << "published over a folder";
    } catch (const run_failure& end) {
        EXPECT_EQ(end.status, 1);
        EXPECT_EQ(end.text, "can't put the new report in place of " + (dir / "data.txt").string() +
                                ": a folder of that name is in the way; no report was replaced; move the folder "
                                "away and run again\n");
    }
    EXPECT_EQ(read_file(dir / "cor.txt"), "earlier");
    discard_staged_reports(s);
    int left = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        left += entry.path().filename().string() != "cor.txt" && entry.path().filename().string() != "data.txt";
    EXPECT_EQ(left, 0) << "a staged report is left";
    fs::remove_all(dir);
}

TEST(report_staging, report_paths_join_the_output_folder_once) {
    run_settings s;
    EXPECT_EQ(report_path(s, "cor.txt"), "cor.txt");
    s.output_dir = "out";
    EXPECT_EQ(report_path(s, "cor.txt"), "out/cor.txt");
    s.output_dir = "out/";
    EXPECT_EQ(report_path(s, "data.txt"), "out/data.txt");
    s.output_dir = "C:\\runs\\";
    EXPECT_EQ(report_path(s, "merge.txt"), "C:\\runs\\merge.txt");
}
