// The figures' statistics and the report: table and CSV.
#include "bench/figures.h"

#include <algorithm>
#include <cstdio>

std::vector<Figure> g_figures;

namespace {

struct Spread {
    double median;
    double low;
    double high;
};

Spread Summarise(std::vector<double> values)
{
    Spread spread = {0, 0, 0};
    if (values.empty())
        return spread;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    spread.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    spread.low = values.front();
    spread.high = values.back();
    return spread;
}

std::vector<double> Ratios(const Figure &figure)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < figure.product.size() && i < figure.floor.size(); ++i)
        ratios.push_back((figure.product[i] + figure.smoothing) /
                         (figure.floor[i] + figure.smoothing));
    return ratios;
}

std::string Number(double value)
{
    char text[64];
    if (value >= 100 || value == static_cast<long long>(value))
        std::snprintf(text, sizeof text, "%.0f", value);
    else if (value >= 10)
        std::snprintf(text, sizeof text, "%.1f", value);
    else
        std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string Range(const Spread &spread, bool single)
{
    if (single)
        return Number(spread.median);
    return Number(spread.median) + " (" + Number(spread.low) + "-" + Number(spread.high) + ")";
}

// The build measured: the figures differ between the two widths.
const char *const TARGET = sizeof(void *) == 8 ? "mingw64" : "mingw32";

}  // namespace

Figure &AddFigure(const std::string &name, const std::string &unit, double bar, double smoothing)
{
    Figure figure;
    figure.name = name;
    figure.unit = unit;
    figure.bar = bar;
    figure.smoothing = smoothing;
    g_figures.push_back(figure);
    return g_figures.back();
}

int Report(int runs, const std::string &csvPath)
{
    int failures = 0;
    std::string table;
    char line[512];
    std::snprintf(line, sizeof line, "DadaVizi benchmark, target %s (%d-bit)\n\n", TARGET,
                  static_cast<int>(sizeof(void *) * 8));
    table += line;
    const char ROW[] = "| %-44s | %-5s | %-26s | %-8s | %-22s | %-4s | %-3s |\n";
    std::snprintf(line, sizeof line, ROW, "figure", "unit", "DadaVizi median (min-max)", "floor",
                  "ratio median (min-max)", "bar", "ok");
    table += line;
    table += "|" + std::string(46, '-') + "|" + std::string(7, '-') + "|" + std::string(28, '-') +
             "|" + std::string(10, '-') + "|" + std::string(24, '-') + "|" + std::string(6, '-') +
             "|" + std::string(5, '-') + "|\n";

    FILE *csv = std::fopen(csvPath.c_str(), "w");
    if (csv)
        std::fprintf(csv, "target,figure,unit,runs,median,min,max,floor_median,ratio_median,"
                          "ratio_min,ratio_max,bar,pass\n");
    for (const Figure &figure : g_figures) {
        Spread product = Summarise(figure.product);
        Spread floor = Summarise(figure.floor);
        Spread ratio = Summarise(Ratios(figure));
        bool pass = !figure.product.empty() && ratio.median <= figure.bar;
        if (!pass)
            ++failures;
        bool single = figure.product.size() == 1;
        std::snprintf(line, sizeof line, ROW, figure.name.c_str(), figure.unit.c_str(),
                      Range(product, single).c_str(), Number(floor.median).c_str(),
                      Range(ratio, single).c_str(), Number(figure.bar).c_str(),
                      pass ? "yes" : "NO");
        table += line;
        if (csv)
            std::fprintf(csv, "%s,\"%s\",%s,%u,%.10g,%.10g,%.10g,%.10g,%.4f,%.4f,%.4f,%.4g,%s\n",
                         TARGET, figure.name.c_str(), figure.unit.c_str(),
                         static_cast<unsigned>(figure.product.size()), product.median,
                         product.low, product.high, floor.median, ratio.median, ratio.low,
                         ratio.high, figure.bar, pass ? "yes" : "no");
    }
    if (csv)
        std::fclose(csv);
    std::printf("%s", table.c_str());
    std::printf("\n%d run%s per figure; ratio = DadaVizi / floor, judged by its median; %s\n",
                runs, runs == 1 ? "" : "s",
                failures ? "SOME FIGURES PASSED THEIR BARS" : "every figure within its bar");
    if (!csv)
        std::printf("could not write %s\n", csvPath.c_str());
    return failures ? 1 : 0;
}
