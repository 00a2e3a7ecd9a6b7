#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "run/failure.hpp"

#include "analysis/figures.hpp"
#include "analysis/replicate_merge.hpp"
#include "report/report_html.hpp"
#include "support/capture.hpp"
#include "support/two_slides.hpp"

namespace {

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct page_of_two : two_slides {
    merge_tables m;
    html_figures fig;
    correlation_tables c;
    std::string page;
    page_of_two() {
        normalise_for_page();
        collect_html_figures(s, t, ma, fig);
        regroup_by_gene(s, t, m);
        gene_statistics(t, m, 1);
        c.raw.ratio = dmatrix(1, 2, 1, 2);
        c.log2.ratio = dmatrix(1, 2, 1, 2);
        for (int i = 1; i <= 2; ++i)
            for (int j = 1; j <= 2; ++j) c.raw.ratio[i][j] = c.log2.ratio[i][j] = 2.0;
        c.raw.ratio[1][2] = 0.98765;
        c.log2.ratio[1][2] = NAN;
        t.headers[1].format.type = "GenePix Results 3";
        page = report_html_text(s, t, m, fig, c, html_inputs{});
    }
    ~page_of_two() { release_merge_tables(t, m); }
};

TEST(report_html, page_holds_every_picture_and_nothing_from_outside) {
    page_of_two p;
    // Bar chart, two heat maps, an MA plot and a slide per file, colour key, box plots, volcano, histogram.
    EXPECT_EQ(count_of(p.page, "<svg "), 1 + 2 + 2 + 2 + 1 + 1 + 1 + 1);
    EXPECT_EQ(count_of(p.page, "</svg>"), count_of(p.page, "<svg "));
    EXPECT_EQ(count_of(p.page, "<figcaption>"), 1 + 2 + (1 + 2) + (1 + 2) + 1 + 2);
    EXPECT_EQ(p.page.find("http"), std::string::npos);
    EXPECT_EQ(p.page.find("<script"), std::string::npos);
    EXPECT_EQ(p.page.find('\r'), std::string::npos);
    EXPECT_EQ(p.page.find("a<1>"), std::string::npos);
    EXPECT_NE(p.page.find("a&lt;1&gt;.gpr"), std::string::npos);
}

TEST(report_html, numbers_are_those_of_the_reports) {
    page_of_two p;
    // Correlations with three decimals as in cor.txt, not-a-number as cor.txt prints it.
    // Once each: the diagonal and the cells below it stay empty.
    EXPECT_EQ(count_of(p.page, ">0.988</text>"), 1);
    EXPECT_EQ(count_of(p.page, ">nan</text>"), 1);
    // File 2: spot 1 has no positive ratio, spot 2 a negative flag: 2 set aside, no outlier.
    EXPECT_NE(p.page.find("<td>b.gpr</td><td>-</td><td class=\"n\">8</td><td class=\"n\">0.500000</td><td "
                          "class=\"n\">2</td><td class=\"n\">0</td>"),
              std::string::npos);
    EXPECT_NE(p.page.find("<td>GenePix Results 3</td><td class=\"n\">8</td><td class=\"n\">1.250000</td>"),
              std::string::npos);
    EXPECT_NE(p.page.find("ratio approach 1 (Ratio of Medians); C = 2.0."), std::string::npos);
    int with_p = 0;
    for (int g = 1; g <= 4; ++g) with_p += p.m.gene_p_value[g] >= 0.0;
    EXPECT_NE(p.page.find("Volcano plot of the " + std::to_string(with_p) + " genes with a p-value"),
              std::string::npos);
}

TEST(report_html, written_file_holds_the_page_byte_for_byte) {
    page_of_two p;
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "spotweave-report-test.html";
    write_report_html(p.s, p.t, p.m, p.fig, p.c, html_inputs{}, path.string().c_str());
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::filesystem::remove(path);
    html_inputs none;
    EXPECT_EQ(text.str(), report_html_text(p.s, p.t, p.m, p.fig, p.c, none));
}

TEST(report_html, a_report_that_cannot_be_created_is_named_with_the_reason) {
    page_of_two p;
    try {
        write_report_html(p.s, p.t, p.m, p.fig, p.c, html_inputs{}, "no-such-dir/report.html");
        ADD_FAILURE() << "the page was written";
    } catch (const run_failure& end) {
        EXPECT_EQ(end.status, 1);
        EXPECT_NE(end.text.find("can't write the report <no-such-dir/report.html>: No such file or directory\n"),
                  std::string::npos);
    }
}

}  // namespace
