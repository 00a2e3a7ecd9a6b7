#include "report/quality_table.hpp"

#include <cmath>

#include "report/report_file.hpp"

void quality_table(const run_settings& s, const slide_quality& q) {
    const std::string path = report_path(s, quality_report_name);
    report_file out(path.c_str());
    require_open(out, path);
    out.put("File\tName\tdistance\tKS\tHoeffding D\tspatial\toutliers\n");
    for (int f = 1; f <= s.file_count(); ++f) {
        const std::size_t k = static_cast<std::size_t>(f);
        out.put_int(f);
        out.put("\t");
        out.put(s.file_label(f));
        for (double v : {q.distance[k], q.ks[k], q.hoeffding[k], q.spatial[k]}) {
            out.put("\t");
            if (std::isnan(v))
                out.put("-");
            else
                out.put_fixed(v, 6, 0);
        }
        out.put("\t");
        out.put(failed_criteria(q.failed[k]));
        out.put("\n");
    }
    out.close();
}
