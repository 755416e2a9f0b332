// path.svg read back from its own coordinates, over random paths: no text meets another text, a
// point, a marker or the curve; every structure at the saddle energy is marked; each step's
// marker says add or delete; title and subtitle say what is known. The overlap check itself is
// shown to find overlaps where labels are put on top of things.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pathout/pathout.h"
#include "pathout/pathout_internal.h"

namespace {

struct Box {
    double x0, y0, x1, y1;
    std::string what;
};

std::string attr(const std::string& tag, const std::string& name) {
    const std::size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos) return "";
    const std::size_t from = at + name.size() + 3;
    return tag.substr(from, tag.find('"', from) - from);
}

// Start tags of one element name, with the text up to the closing tag for <text>.
std::vector<std::pair<std::string, std::string>> elements(const std::string& svg, const std::string& name) {
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t at = svg.find("<" + name + " "); at != std::string::npos;
         at = svg.find("<" + name + " ", at + 1)) {
        const std::size_t end = svg.find('>', at);
        out.emplace_back(svg.substr(at, end - at),
                         name == "text" ? svg.substr(end + 1, svg.find("</", end) - end - 1) : "");
    }
    return out;
}

std::vector<double> numbers(std::string list) {
    std::replace(list.begin(), list.end(), ',', ' ');
    std::istringstream in(list);
    std::vector<double> v;
    for (double x; in >> x;) v.push_back(x);
    return v;
}

bool meet(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

// Every text (its glyphs taken as 0.6 em per byte, 0.65 bold, from 0.72 em above the
// baseline to 0.2 em below) that meets another text, a point's or marker's box, or the curve
// (taken at every 1/16 of a step).
std::vector<std::string> overlaps(const std::string& svg) {
    std::vector<Box> texts, things;
    for (const auto& [tag, body] : elements(svg, "text")) {
        if (attr(tag, "class") == "halo" || !attr(tag, "transform").empty()) continue;
        const double size = std::stod(attr(tag, "font-size")), y = std::stod(attr(tag, "y"));
        const double w = body.size() * size * (attr(tag, "font-weight") == "bold" ? 0.65 : 0.6);
        const double x0 = std::stod(attr(tag, "x")) -
                          w * (attr(tag, "text-anchor") == "middle" ? 0.5 : attr(tag, "text-anchor") == "end");
        texts.push_back({x0, y - 0.72 * size, x0 + w, y + 0.2 * size, body});
    }
    for (const auto& [tag, body] : elements(svg, "circle")) {
        const double cx = std::stod(attr(tag, "cx")), cy = std::stod(attr(tag, "cy")), r = std::stod(attr(tag, "r"));
        things.push_back({cx - r, cy - r, cx + r, cy + r, "point"});
    }
    for (const char* name : {"polygon", "polyline"})
        for (const auto& [tag, body] : elements(svg, name)) {
            const std::string cls = attr(tag, "class");
            const std::vector<double> v = numbers(attr(tag, "points"));
            if (cls == "add" || cls == "del")
                things.push_back({std::min({v[0], v[2], v[4]}), std::min({v[1], v[3], v[5]}),
                                  std::max({v[0], v[2], v[4]}), std::max({v[1], v[3], v[5]}), "marker"});
            for (std::size_t k = 0; cls == "curve" && k + 3 < v.size(); k += 2)
                for (double t = 0; t < 1; t += 1.0 / 16) {
                    const double x = v[k] + t * (v[k + 2] - v[k]), y = v[k + 1] + t * (v[k + 3] - v[k + 1]);
                    things.push_back({x, y, x, y, "curve"});
                }
        }
    std::vector<std::string> found;
    for (std::size_t a = 0; a < texts.size(); ++a) {
        for (std::size_t b = a + 1; b < texts.size(); ++b)
            if (meet(texts[a], texts[b])) found.push_back(texts[a].what + " / " + texts[b].what);
        for (const Box& p : things)
            if (meet(texts[a], p)) found.push_back(texts[a].what + " / " + p.what);
    }
    return found;
}

// A random path of `steps` steps: the energies a random walk in 0.1 kcal/mol, sometimes with
// several structures at the top, sometimes highest at A or at B; the moves alternate at random.
pathout::Path random_path(std::mt19937& g, std::size_t steps) {
    pathout::Path p;
    p.structures.assign(steps + 1, "");
    double e = -10.0 + static_cast<double>(g() % 200) / 10;
    for (std::size_t k = 0; k <= steps; ++k) {
        p.energies.push_back(e);
        e += static_cast<double>(static_cast<int>(g() % 41) - 20) / 10;
        if (k < steps) p.moves.push_back({g() % 2 == 0, 1, 5});
    }
    const double top = *std::max_element(p.energies.begin(), p.energies.end());
    const unsigned shape = g() % 4;  // plateaus at the top, B highest, A highest, as walked
    for (std::size_t t = 0; shape == 0 && t < 3; ++t) p.energies[g() % (steps + 1)] = top;
    if (shape == 1 || shape == 2) (shape == 1 ? p.energies.back() : p.energies.front()) = top + 1;
    if (g() % 3 == 0) p.info.lower_bound = pathout::barrier(p) - (g() % 2);
    return p;
}

constexpr std::size_t kSteps[] = {0, 1, 2, 3, 5, 8, 23, 40, 90, 200, 400, 401, 1500};

TEST(PathSvgLayout, NoTextMeetsAnotherTextAPointOrTheCurveAndEverySaddleIsMarked) {
    std::mt19937 g(2024);
    for (int t = 0; t < 130; ++t) {
        const std::size_t n = kSteps[t % std::size(kSteps)];
        const pathout::Path p = random_path(g, n);
        const std::string name = t % 2 ? ">dsrA long name " + std::to_string(t) : "";
        const std::string svg = pathout::path_svg(name, std::string(40 + t, 'G'), p);
        const std::vector<std::string> found = overlaps(svg);
        EXPECT_TRUE(found.empty()) << "path " << t << " (" << n << " steps): " << found.front();

        // One saddle-coloured dot per inner structure at the top energy (and one in the legend); one
        // marker per other inner step (two in the legend), its kind the move's.
        std::size_t saddles = 0, adds = n > 1 && n <= 400, dels = adds, dots = 0, up = 0, down = 0;
        for (std::size_t k = 1; k < n; ++k)
            if (std::lround(p.energies[k] * 100) == std::lround(p.energies[pathout::saddle_index(p)] * 100))
                ++saddles;
            else if (n <= 400)
                ++(p.moves[k - 1].add ? adds : dels);
        for (const auto& [tag, body] : elements(svg, "circle")) dots += attr(tag, "fill") == "#d9480f";
        for (const auto& [tag, body] : elements(svg, "polygon")) {
            up += attr(tag, "class") == "add";
            down += attr(tag, "class") == "del";
        }
        EXPECT_EQ(dots, saddles + (saddles > 0)) << t;
        EXPECT_TRUE(up == adds && down == dels) << t;
        const bool proved = pathout::status(p) == "optimal";
        EXPECT_NE(svg.find(std::string(proved ? "Optimal path (proved)" : "Best path found") + ": barrier " +
                           pathout::kcal_text(pathout::barrier(p)) + " kcal/mol, lower bound " +
                           pathout::kcal_text(pathout::lower_bound(p)) + " kcal/mol"),
                  std::string::npos);
        EXPECT_TRUE(svg.find(proved ? "Best path found" : "optimal path") == std::string::npos &&
                    svg.find("&gt;dsrA") == std::string::npos)
            << t << ": wrong claim or a leading '>'";
    }
}

// The check has teeth: labels left at their first place overlap on some paths, and a label put
// on another label, a point or the curve is found.
TEST(PathSvgLayout, OverlapsAreFoundWhereLabelsArePutOnTopOfThings) {
    std::mt19937 g(2024);
    int overlapping = 0;
    for (int t = 0; t < 130; ++t) {
        const pathout::Path p = random_path(g, kSteps[t % std::size(kSteps)]);
        overlapping += !overlaps(pathout::path_svg("x", "GGGG", p, false)).empty();
    }
    EXPECT_GT(overlapping, 20);

    const pathout::Path p = random_path(g, 23);
    const std::string svg = pathout::path_svg("x", "GGGG", p);
    ASSERT_TRUE(overlaps(svg).empty());
    // One more label at the place of the last label, the last point, or a point of the curve.
    auto with_label_at = [&](double x, double y) {
        return std::string(svg).insert(svg.rfind("</svg>"), "<text class=\"label\" x=\"" + std::to_string(x) +
                                                                "\" y=\"" + std::to_string(y) +
                                                                "\" font-size=\"15\">B 1.00</text>");
    };
    const std::string label = elements(svg, "text").back().first, point = elements(svg, "circle").back().first;
    EXPECT_FALSE(overlaps(with_label_at(std::stod(attr(label, "x")) + 3, std::stod(attr(label, "y")) + 2)).empty());
    EXPECT_FALSE(overlaps(with_label_at(std::stod(attr(point, "cx")) - 2, std::stod(attr(point, "cy")) + 4)).empty());
    const std::vector<double> curve = numbers(attr(elements(svg, "polyline")[0].first, "points"));
    EXPECT_FALSE(overlaps(with_label_at((curve[20] + curve[22]) / 2 - 20, (curve[21] + curve[23]) / 2 + 5)).empty());
}

}  // namespace
