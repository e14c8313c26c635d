// The benchmark's figures: each measured for DadaVizi and for a floor in the
// same run, judged by the median of their ratios against a bar.
#ifndef DADAVIZI_BENCH_FIGURES_H
#define DADAVIZI_BENCH_FIGURES_H

#include <string>
#include <vector>

struct Figure {
    std::string name;
    std::string unit;
    std::vector<double> product;  // one value per run
    std::vector<double> floor;
    double bar;  // the median ratio must not pass this
    // Idle figures are near zero: one clock tick (or one wake-up) is added
    // to both sides, so that nothing against nothing compares as 1.
    double smoothing;
};

extern std::vector<Figure> g_figures;

Figure &AddFigure(const std::string &name, const std::string &unit, double bar,
                  double smoothing = 0);

// Prints the table and writes the CSV file; 1 when a figure passed its bar.
int Report(int runs, const std::string &csvPath);

#endif
