#include "input/result_layout.hpp"

namespace {

bool is_edge_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool is_digit_char(char c) { return c >= '0' && c <= '9'; }

// " (<digits>/<digits>)" at the end of text, or npos.
std::size_t wavelength_suffix(const std::string& text) {
    if (text.size() < 6 || text.back() != ')') return std::string::npos;
    std::size_t i = text.size() - 1;
    auto digits_before = [&](std::size_t& at) {
        const std::size_t end = at;
        while (at > 0 && is_digit_char(text[at - 1])) --at;
        return at < end;
    };
    if (!digits_before(i) || i == 0 || text[i - 1] != '/') return std::string::npos;
    --i;
    if (!digits_before(i) || i < 2 || text[i - 1] != '(' || text[i - 2] != ' ') return std::string::npos;
    return i - 2;
}

}  // namespace

std::string field_title(int field, std::string_view red, std::string_view green) {
    std::string title(titled_header::field_titles[static_cast<std::size_t>(field)]);
    for (std::size_t at; (at = title.find("<r>")) != std::string::npos;) title.replace(at, 3, red);
    for (std::size_t at; (at = title.find("<g>")) != std::string::npos;) title.replace(at, 3, green);
    return title;
}

std::string canonical_title(std::string_view title) {
    while (!title.empty() && is_edge_blank(title.front())) title.remove_prefix(1);
    while (!title.empty() && is_edge_blank(title.back())) title.remove_suffix(1);
    if (title.size() >= 2 && title.front() == '"' && title.back() == '"') title = title.substr(1, title.size() - 2);
    std::string text;
    for (std::size_t i = 0; i < title.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        if (c == 0xC2 && i + 1 < title.size() && static_cast<unsigned char>(title[i + 1]) == 0xB2) {
            text.push_back('2');
            ++i;
        } else {
            text.push_back(c == 0xB2 ? '2' : static_cast<char>(c));
        }
    }
    while (!text.empty() && is_edge_blank(text.back())) text.pop_back();
    const std::size_t suffix = wavelength_suffix(text);
    if (suffix != std::string::npos) text.resize(suffix);
    return text;
}

std::string median_wavelength(std::string_view canonical) {
    constexpr std::string_view tail = " Median";
    if (canonical.size() <= 1 + tail.size() || canonical.front() != 'F' || !canonical.ends_with(tail)) return "";
    const std::string_view digits = canonical.substr(1, canonical.size() - 1 - tail.size());
    for (char c : digits)
        if (!is_digit_char(c)) return "";
    return std::string(digits);
}
