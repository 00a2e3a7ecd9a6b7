#include "input/spot_loader.hpp"

#include <cmath>
#include <string>

#include "input/result_format.hpp"

namespace {

class row_reader {
public:
    row_reader(byte_reader& in, const char* file_name) : in_(in), file_name_(file_name) {}

    int spot = 0;

    [[noreturn]] void fail(int field, const std::string& what) { fail_at(in_.line(), field, what); }
    // For a line feed already consumed: the row it ended was the line before.
    [[noreturn]] void fail_ended(int c, int field, const std::string& what) {
        fail_at(c == '\n' ? in_.line() - 1 : in_.line(), field, what);
    }
    [[noreturn]] void fail_at(long long line, int field, const std::string& what) {
        layout_failure(file_name_, line,
                       "spot " + std::to_string(spot) + ", field " + std::to_string(field) + ": " + what);
    }
    // Stops when the row has ended before `field`.
    void expect_field(int field) {
        const int c = skip_blanks(in_);
        if (c == '\n' || c == -1) fail(field, "the row ends before this field");
    }
    // A number must fill its whole field: "12x4" is not 12.
    bool field_ends() {
        const int c = in_.peek();
        return c == -1 || is_space(c);
    }
    int integer(int field) {
        int value;
        if (!read_int(in_, value) || !field_ends()) fail(field, "expected an integer");
        return value;
    }
    double number(int field) {
        expect_field(field);
        double value;
        if (!read_real(in_, value) || !std::isfinite(value) || !field_ends())
            fail(field, "expected a finite decimal number");
        return value;
    }
    // Name and ID: up to the tab, printable bytes only, at most `room` kept.
    void text(int field, series<char> out, std::size_t room) {
        std::size_t length = 0;
        for (;;) {
            const int c = in_.get();
            if (c == '\t') break;
            if (c == '\n' || c == -1) fail_ended(c, field, "the row ends inside this field");
            if (c >= 32 && c <= 126 && length < room) out[static_cast<int>(length++)] = static_cast<char>(c);
        }
        out[static_cast<int>(length)] = '\0';
    }

    byte_reader& in_;
    const char* file_name_;
};

}  // namespace

bool fails_quality_control(double f632, double b632, double f532, double b532, double c) {
    const double q632 = f632 / b632;
    const double q532 = f532 / b532;
    // A not-a-number quotient fails the comparison, as it must.
    return !(q632 >= c) && !(q532 >= c);
}

void load_spot_records(byte_reader& in, int f, spot_tables& t) {
    row_reader row(in, &t.file_names[f][0]);
    std::string word;
    const bool last_file = f == t.file_count;
    for (int s = 1; s <= t.spot_count; ++s) {
        row.spot = s;
        if (skip_space(in) == -1)
            row.fail(1, "the file ends after " + std::to_string(s - 1) + " of " + std::to_string(t.spot_count) +
                            " data rows");
        const int block = row.integer(1);
        row.expect_field(2);
        const int column = row.integer(2);
        row.expect_field(3);
        const int spot_row = row.integer(3);
        if (const int c = in.get(); c != '\t') row.fail_ended(c, 4, "expected a tab after field 3");
        if (last_file) {
            t.spot_block[s] = block;
            t.spot_column[s] = column;
            t.spot_row[s] = spot_row;
        }
        row.text(4, t.gene_name[s], name_room);
        row.text(5, t.gene_id[s], id_room);

        double ratio[6] = {0, 0, 0, 0, 0, 0};
        double flag = 0.0;
        for (int field = 6; field <= data_fields; ++field) {
            if (field == 38) {
                row.expect_field(field);
                read_word(in, word, word_room);
                continue;
            }
            const double value = row.number(field);
            switch (field) {
                case 9: t.f632_median[f][s] = value; break;
                case 12: t.b632_median[f][s] = value; break;
                case 18: t.f532_median[f][s] = value; break;
                case 21: t.b532_median[f][s] = value; break;
                case 27: ratio[1] = value; break;
                case 28: ratio[2] = value; break;
                case 29: ratio[3] = value; break;
                case 30: ratio[4] = value; break;
                case 32: ratio[5] = value; break;
                case 43: flag = value; break;
                default: break;
            }
        }
        const int c = skip_blanks(in);
        if (c != '\n' && c != -1) row.fail(data_fields, "unexpected text after the last field");

        t.spot_ratio[f][s] = ratio[t.ratio_approach];
        if (fails_quality_control(t.f632_median[f][s], t.b632_median[f][s], t.f532_median[f][s],
                                  t.b532_median[f][s], t.qc_constant))
            flag = -90.0;
        t.spot_flag[f][s] = flag;
    }
    in.close();
}
