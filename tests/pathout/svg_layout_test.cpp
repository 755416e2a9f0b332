// path.svg read back from its own coordinates, over random paths: no text meets another text, a
// point, a marker or the curve; every structure at the saddle energy is marked; each step's
// marker says add or delete; title and subtitle say what is known. The overlap check itself is
// shown to find overlaps where labels are put on top of things.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
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
        const std::size_t close = svg.find("</", end);
        out.emplace_back(svg.substr(at, end - at), name == "text" ? svg.substr(end + 1, close - end - 1) : "");
    }
    return out;
}

std::vector<double> numbers(const std::string& list) {
    std::vector<double> v;
    std::string cur;
    for (const char c : list + " ")
        if (c == ',' || c == ' ') {
            if (!cur.empty()) v.push_back(std::stod(cur));
            cur.clear();
        } else {
            cur += c;
        }
    return v;
}

// Characters as drawn: an entity is one, a UTF-8 sequence is one.
double drawn_chars(const std::string& body) {
    double n = 0;
    for (std::size_t k = 0; k < body.size(); ++k) {
        if (body[k] == '&') k = body.find(';', k);
        n += (static_cast<unsigned char>(body[k]) & 0xC0) != 0x80;
    }
    return n;
}

bool meet(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

bool segment_meets(const Box& b, double x1, double y1, double x2, double y2) {
    for (int t = 0; t <= 64; ++t) {
        const double x = x1 + (x2 - x1) * t / 64, y = y1 + (y2 - y1) * t / 64;
        if (x > b.x0 && x < b.x1 && y > b.y0 && y < b.y1) return true;
    }
    return false;
}

// Every text (its glyphs taken as 0.6 em per character, 0.65 bold, from 0.72 em above the
// baseline to 0.2 em below) that meets another text, a point or marker, or the curve.
std::vector<std::string> overlaps(const std::string& svg) {
    std::vector<Box> texts, points;
    for (const auto& [tag, body] : elements(svg, "text")) {
        if (attr(tag, "class") == "halo" || !attr(tag, "transform").empty()) continue;
        const double size = std::stod(attr(tag, "font-size")), x = std::stod(attr(tag, "x")),
                     y = std::stod(attr(tag, "y"));
        const double w = drawn_chars(body) * size * (attr(tag, "font-weight") == "bold" ? 0.65 : 0.6);
        const std::string anchor = attr(tag, "text-anchor");
        const double x0 = anchor == "middle" ? x - w / 2 : anchor == "end" ? x - w : x;
        texts.push_back({x0, y - 0.72 * size, x0 + w, y + 0.2 * size, body});
    }
    for (const auto& [tag, body] : elements(svg, "circle")) {
        const double cx = std::stod(attr(tag, "cx")), cy = std::stod(attr(tag, "cy")), r = std::stod(attr(tag, "r"));
        points.push_back({cx - r, cy - r, cx + r, cy + r, "point"});
    }
    for (const auto& [tag, body] : elements(svg, "polygon")) {
        if (attr(tag, "class") != "add" && attr(tag, "class") != "del") continue;
        const std::vector<double> v = numbers(attr(tag, "points"));
        Box b{v[0], v[1], v[0], v[1], "marker"};
        for (std::size_t k = 0; k + 1 < v.size(); k += 2)
            b = {std::min(b.x0, v[k]), std::min(b.y0, v[k + 1]), std::max(b.x1, v[k]), std::max(b.y1, v[k + 1]),
                 b.what};
        points.push_back(b);
    }
    std::vector<double> curve;
    for (const auto& [tag, body] : elements(svg, "polyline"))
        if (attr(tag, "class") == "curve") curve = numbers(attr(tag, "points"));
    std::vector<std::string> found;
    for (std::size_t a = 0; a < texts.size(); ++a) {
        for (std::size_t b = a + 1; b < texts.size(); ++b)
            if (meet(texts[a], texts[b])) found.push_back(texts[a].what + " / " + texts[b].what);
        for (const Box& p : points)
            if (meet(texts[a], p)) found.push_back(texts[a].what + " / " + p.what);
        for (std::size_t k = 0; k + 3 < curve.size(); k += 2)
            if (segment_meets(texts[a], curve[k], curve[k + 1], curve[k + 2], curve[k + 3])) {
                found.push_back(texts[a].what + " / curve");
                break;
            }
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
    switch (g() % 4) {
        case 0:  // plateaus at the top
            for (std::size_t t = 0; t < 3; ++t) p.energies[g() % (steps + 1)] = top;
            break;
        case 1: p.energies.back() = top + 1; break;
        case 2: p.energies.front() = top + 1; break;
        default: break;
    }
    if (g() % 3 == 0) p.info.lower_bound = pathout::barrier(p) - (g() % 2);
    if (g() % 2 == 0) p.info.method = "exact";
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

        // One saddle-coloured dot per inner structure at the top energy (and one in the legend); one marker per other
        // inner step (two in the legend), its kind the move's.
        const double top = p.energies[pathout::saddle_index(p)];
        std::size_t saddles = 0, adds = 0, dels = 0;
        for (std::size_t k = 1; k < n; ++k) {
            if (std::lround(p.energies[k] * 100) == std::lround(top * 100))
                ++saddles;
            else if (n <= 400)
                ++(p.moves[k - 1].add ? adds : dels);
        }
        std::size_t dots = 0, up = 0, down = 0;
        for (const auto& [tag, body] : elements(svg, "circle")) dots += attr(tag, "fill") == "#d9480f";
        for (const auto& [tag, body] : elements(svg, "polygon")) {
            up += attr(tag, "class") == "add";
            down += attr(tag, "class") == "del";
        }
        EXPECT_EQ(dots, saddles + (saddles > 0)) << t;
        const std::size_t legend = n > 1 && n <= 400 ? 1 : 0;
        EXPECT_EQ(up, adds + legend) << t;
        EXPECT_EQ(down, dels + legend) << t;

        const bool proved = pathout::status(p) == "optimal";
        EXPECT_NE(svg.find(proved ? "Optimal path (proved): barrier " : "Best path found: barrier "),
                  std::string::npos);
        EXPECT_EQ(svg.find(proved ? "Best path found" : "optimal path"), std::string::npos) << t;
        EXPECT_NE(svg.find("lower bound " + pathout::kcal_text(pathout::lower_bound(p)) + " kcal/mol"),
                  std::string::npos);
        EXPECT_EQ(svg.find("&gt;dsrA"), std::string::npos) << "no leading '>'";
    }
}

// The check has teeth: labels left at their first place overlap on some paths, and a label moved
// onto another label, a point or the curve is found.
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
    const auto labels = elements(svg, "text");
    const auto circles = elements(svg, "circle");
    auto moved = [&](const std::string& tag, double x, double y) {
        std::string s = svg;
        const std::size_t at = s.find(tag);
        const std::string to = "x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"";
        const std::string from = "x=\"" + attr(tag, "x") + "\" y=\"" + attr(tag, "y") + "\"";
        return s.replace(s.find(from, at), from.size(), to);
    };
    const std::string& label = std::find_if(labels.begin(), labels.end(), [](const auto& e) {
                                   return attr(e.first, "class") == "label";
                               })->first;
    const std::string& other = labels.back().first;  // the last label placed
    EXPECT_FALSE(overlaps(moved(label, std::stod(attr(other, "x")) + 3, std::stod(attr(other, "y")) + 2)).empty());
    const std::string& point = circles.back().first;
    EXPECT_FALSE(overlaps(moved(label, std::stod(attr(point, "cx")) - 2, std::stod(attr(point, "cy")) + 4)).empty());
    const std::vector<double> curve = numbers(attr(elements(svg, "polyline")[0].first, "points"));
    EXPECT_FALSE(overlaps(moved(label, (curve[20] + curve[22]) / 2 - 20, (curve[21] + curve[23]) / 2 + 5)).empty());
}

}  // namespace
