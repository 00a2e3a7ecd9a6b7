// Tukey's five-number summary and the rule that names a suspect slide.
#pragma once

struct five_numbers {
    double minimum;
    double lower_hinge;
    double median;
    double upper_hinge;
    double maximum;
};

// Tukey's five numbers (Exploratory Data Analysis, 1977, ch. 2) of the values
// of v[0..n-1] that are not not-a-number, as R's fivenum: of the m values in
// order, the median at depth d = (m + 1) / 2 and the hinges at depth
// (floor(d) + 1) / 2 from either end, a depth ending in .5 giving the mean of
// its two neighbours. All not-a-number when no value is left. Example: 1..6
// gives 1, 2, 3.5, 5, 6; 1..4 gives 1, 1.5, 2.5, 3.5, 4.
five_numbers fivenum(const double* v, int n);

// The outlier limit of one statistic over all files: upper hinge + 1.5 x
// (upper hinge - lower hinge) of fivenum(v, n). Example: 1..6 gives 9.5.
double upper_fence(const double* v, int n);

// outlier[k] = v[k] > upper_fence(v, n) for k = 0..n-1 (not-a-number is never
// an outlier); returns how many there are. Example: 1, 2, 3, 4, 100 marks 100.
int mark_outliers(const double* v, int n, bool* outlier);
