#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "pathout/pathout.h"
#include "pathout/pathout_internal.h"
#include "version/version.h"

namespace pathout {

namespace {

// Page and plot frame in SVG user units (px); 16:9 so it fills a slide.
constexpr double kWidth = 960, kHeight = 540;
constexpr double kLeft = 100, kRight = 840, kTop = 100, kBottom = 436;
// Paths longer than this show no per-step markers (they would merge into a band).
constexpr std::size_t kMaxMarkedSteps = 400;

const char* const kFont = "DejaVu Sans, Helvetica, Arial, sans-serif";
const char* const kLineColour = "#1f5fa8";
const char* const kAColour = "#2b8a3e";
const char* const kBColour = "#6f42c1";
const char* const kSaddleColour = "#d9480f";

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

std::string xml_escape(const std::string& s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default:
                // Control characters are not allowed in XML 1.0.
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

std::size_t chars_of(const std::string& s) {
    std::size_t n = 0;
    for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// A round tick distance (1, 2 or 5 times a power of ten) giving about `count` ticks over `range`.
double tick_step(double range, int count) {
    const double raw = range / count;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0})
        if (raw <= f * mag) return f * mag;
    return 10.0 * mag;
}

std::string tick_label(double v, double step) {
    char buf[32];
    std::snprintf(buf, sizeof buf, step >= 1.0 ? "%.0f" : step >= 0.1 ? "%.1f" : "%.2f", v);
    std::string s = buf;
    if (s.find_first_not_of("-0.") == std::string::npos) s = s.substr(s[0] == '-' ? 1 : 0);
    return s;
}

struct Box {
    double x0, y0, x1, y1;
};

bool boxes_meet(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

// Whether the segment (x1, y1)-(x2, y2) enters the box (Liang-Barsky clipping).
bool segment_meets(const Box& b, double x1, double y1, double x2, double y2) {
    double t0 = 0, t1 = 1;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - b.x0, b.x1 - x1, y1 - b.y0, b.y1 - y1};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
        } else {
            const double t = q[k] / p[k];
            if (p[k] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
        }
    }
    return t0 <= t1;
}

// A text's box: the advance width estimated per character, from the ascent above the baseline
// to the descent below it.
Box text_box(double x, double baseline, std::size_t chars, double size, const char* anchor, bool bold) {
    const double w = text_width(chars, size) * (bold ? 1.08 : 1.0);
    const double x0 = anchor[0] == 'm' ? x - w / 2 : anchor[0] == 'e' ? x - w : x;
    return {x0, baseline - 0.8 * size, x0 + w, baseline + 0.24 * size};
}

std::string text_element(double x, double y, const std::string& body, int size, const char* anchor, const char* colour,
                         bool bold, const char* cls) {
    return "<text class=\"" + std::string(cls) + "\" x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" +
           std::to_string(size) + "\" text-anchor=\"" + anchor + "\" fill=\"" + colour + "\" font-weight=\"" +
           (bold ? "bold" : "normal") + "\">" + xml_escape(body) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const char* colour, double width,
                 const char* dash = nullptr, const char* cls = nullptr) {
    std::string s = "<line";
    if (cls) s += std::string(" class=\"") + cls + "\"";
    s += " x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) + "\" stroke=\"" +
         colour + "\" stroke-width=\"" + num(width) + "\"";
    if (dash) s += std::string(" stroke-dasharray=\"") + dash + "\"";
    return s + "/>\n";
}

std::string dot(double x, double y, double r, const char* colour) {
    return "<circle class=\"point\" cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"" + num(r) + "\" fill=\"" + colour +
           "\" stroke=\"white\" stroke-width=\"1.5\"/>\n";
}

// A step's marker: a filled triangle pointing up for an added pair, an open one pointing down
// for a removed pair.
std::string triangle(double x, double y, double r, bool add) {
    const double d = add ? -1 : 1;
    return std::string("<polygon class=\"") + (add ? "add" : "del") + "\" points=\"" + num(x - r) + "," +
           num(y - d * r * 0.7) + " " + num(x + r) + "," + num(y - d * r * 0.7) + " " + num(x) + "," + num(y + d * r) +
           "\" fill=\"" + (add ? kLineColour : "white") + "\" stroke=\"" + kLineColour + "\" stroke-width=\"1.3\"/>\n";
}

// Where the texts may go: the page, minus what is drawn already (texts, points, the curve and
// other lines). Labels are tried at places around their point, nearest first, then anywhere.
class Layout {
public:
    explicit Layout(bool avoid) : avoid_(avoid) {}

    void block(const Box& b) { boxes_.push_back(b); }
    void block_text(const Box& b) {
        boxes_.push_back(b);
        texts_.push_back(b);
    }
    void block_segment(double x1, double y1, double x2, double y2) { segments_.push_back({x1, y1, x2, y2}); }

    bool free(const Box& b) const {
        constexpr double kGap = 2;
        if (b.x0 < 2 || b.y0 < 2 || b.x1 > kWidth - 2 || b.y1 > kHeight - 2) return false;
        const Box g{b.x0 - kGap, b.y0 - kGap, b.x1 + kGap, b.y1 + kGap};
        for (const Box& o : boxes_)
            if (boxes_meet(g, o)) return false;
        for (const Box& s : segments_)
            if (segment_meets(g, s.x0, s.y0, s.x1, s.y1)) return false;
        return true;
    }

    // A text of the given box size for the point (x, y) of radius r: the first free place of
    // the preferred directions (0 above, 1 below, 2 right, 3 left, 4-7 the diagonals) at growing
    // distances, else the free place nearest to the point. Returns the box's top left corner.
    Box place(double x, double y, double r, double w, double h, const std::vector<int>& dirs) const {
        Box first{};
        bool have_first = false;
        for (const double g : {4.0, 10.0, 18.0, 30.0, 48.0, 72.0}) {
            for (const int d : dirs) {
                const double dx = d == 2 || d == 4 || d == 6 ? 1 : d == 3 || d == 5 || d == 7 ? -1 : 0;
                const double dy = d == 0 || d == 4 || d == 5 ? -1 : d == 1 || d == 6 || d == 7 ? 1 : 0;
                const double cx = dx == 0 ? x - w / 2 : dx > 0 ? x + r + g : x - r - g - w;
                const double cy = dy == 0 ? y - h / 2 : dy < 0 ? y - r - g - h : y + r + g;
                const Box b{cx, cy, cx + w, cy + h};
                if (!have_first) first = b, have_first = true;
                if (!avoid_ || (free(b) && leader_free(x, y, b))) return b;
            }
        }
        Box best = first;
        double best_d = -1;
        for (double cy = 4; cy + h <= kHeight - 4; cy += 6)
            for (double cx = 4; cx + w <= kWidth - 4; cx += 6) {
                const Box b{cx, cy, cx + w, cy + h};
                const double ddx = std::max({b.x0 - x, 0.0, x - b.x1}), ddy = std::max({b.y0 - y, 0.0, y - b.y1});
                const double dd = ddx * ddx + ddy * ddy;
                if ((best_d < 0 || dd < best_d) && free(b) && leader_free(x, y, b)) best = b, best_d = dd;
            }
        return best;
    }

    // The leader from (x, y) to the nearest point of the box crosses no text.
    bool leader_free(double x, double y, const Box& b) const {
        const double cx = std::clamp(x, b.x0, b.x1), cy = std::clamp(y, b.y0, b.y1);
        for (const Box& t : texts_)
            if (segment_meets(t, x, y, cx, cy)) return false;
        return true;
    }

private:
    bool avoid_;
    std::vector<Box> texts_;
    std::vector<Box> boxes_;
    std::vector<Box> segments_;  // x0, y0 to x1, y1
};

}  // namespace

double text_width(std::size_t chars, double size) { return 0.64 * size * static_cast<double>(chars); }

std::string path_svg(const std::string& name, const std::string& sequence, const Path& p) {
    return path_svg(name, sequence, p, true);
}

std::string path_svg(const std::string& name, const std::string& sequence, const Path& p, bool avoid_overlaps) {
    check_path(p);
    const std::size_t n = p.moves.size();  // steps
    const std::size_t saddle = saddle_index(p);
    const double ea = p.energies.front();
    const double eb = p.energies.back();
    const double es = p.energies[saddle];
    const double emin = *std::min_element(p.energies.begin(), p.energies.end());
    const double emax = es;
    const bool proved = status(p) == "optimal";
    // Every structure at the saddle energy (to the printed 0.01 kcal/mol).
    std::vector<std::size_t> saddles;
    for (std::size_t k = 0; k <= n; ++k)
        if (std::lround(p.energies[k] * 100) == std::lround(es * 100)) saddles.push_back(k);

    // Energy axis: room above the saddle and below the lowest point for the labels.
    const double span = std::max(emax - emin, 1.0);
    const double ystep = tick_step(span * 1.3, 6);
    const double lo = std::floor((emin - 0.15 * span) / ystep) * ystep;
    const double hi = std::ceil((emax + 0.2 * span) / ystep) * ystep;
    const double xmax = n == 0 ? 1.0 : static_cast<double>(n);
    const double xstep = std::max(1.0, tick_step(xmax, 10));

    auto px = [&](double step) { return kLeft + (kRight - kLeft) * step / xmax; };
    auto py = [&](double e) { return kBottom - (kBottom - kTop) * (e - lo) / (hi - lo); };

    Layout layout(avoid_overlaps);
    std::string s;
    // A text at a fixed place, which later labels keep clear of.
    auto fixed = [&](double x, double y, const std::string& body, int size, const char* anchor, const char* colour,
                     bool bold) {
        layout.block_text(text_box(x, y, chars_of(body), size, anchor, bold));
        s += text_element(x, y, body, size, anchor, colour, bold, "fixed");
    };

    std::string title = display_name(name);
    if (chars_of(title) > 60) title = title.substr(0, 57) + "...";
    if (title.empty()) title = "Folding path";
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + num(kWidth) + "\" height=\"" +
         num(kHeight) + "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) + "\" font-family=\"" + kFont + "\">\n";
    s += "<title>" + xml_escape(title) + ": energy profile of the folding path</title>\n";
    s += "<desc>Free energy (kcal/mol) of each structure along the " +
         std::string(proved ? "optimal folding path (proved)" : "best folding path found") +
         ", from A to B, one base pair added or removed per step. " + std::to_string(sequence.size()) +
         " nt: " + xml_escape(sequence) + ". Drawn by zentrola " + zentrola_version() + ".</desc>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) + "\" fill=\"white\"/>\n";

    // Title and the key figures: how the path was found, and with which model.
    fixed(kLeft, 34, title, 24, "start", "#111111", true);
    std::string line1 = std::string(proved ? "Optimal path (proved)" : "Best path found") + ": barrier " +
                        kcal_text(es - ea) + " kcal/mol, lower bound " + kcal_text(lower_bound(p)) + " kcal/mol";
    if (!p.info.method.empty()) line1 += ", method " + p.info.method;
    line1 += ", status " + status(p);
    const std::string line2 = model_text(p.info) + "; " + std::to_string(sequence.size()) + " nt, " +
                              std::to_string(n) + (n == 1 ? " step" : " steps");
    fixed(kLeft, 58, line1, 14, "start", "#444444", false);
    fixed(kLeft, 78, line2, 14, "start", "#444444", false);

    // Grid, axes and tick labels.
    for (double v = lo; v <= hi + ystep * 1e-6; v += ystep) {
        s += line(kLeft, py(v), kRight, py(v), "#e6e6e6", 1);
        fixed(kLeft - 10, py(v) + 5, tick_label(v, ystep), 14, "end", "#333333", false);
    }
    for (double v = 0; v <= static_cast<double>(n) + 1e-9; v += xstep) {
        s += line(px(v), kBottom, px(v), kBottom + 6, "#333333", 1.2);
        fixed(px(v), kBottom + 22, tick_label(v, xstep), 14, "middle", "#333333", false);
    }
    s += line(kLeft, kTop, kLeft, kBottom, "#333333", 1.5);
    s += line(kLeft, kBottom, kRight, kBottom, "#333333", 1.5);
    layout.block_segment(kLeft, kTop, kLeft, kBottom);
    layout.block_segment(kLeft, kBottom, kRight, kBottom);
    fixed((kLeft + kRight) / 2, kBottom + 50, "Step along the path (one base pair added or removed per step)", 16,
          "middle", "#222222", false);
    s += "<text class=\"fixed\" transform=\"translate(34," + num((kTop + kBottom) / 2) +
         ") rotate(-90)\" font-size=\"16\" text-anchor=\"middle\" fill=\"#222222\">Free energy (kcal/mol)</text>\n";

    // Legend, along the foot of the page.
    {
        const bool marked = n > 1 && n <= kMaxMarkedSteps;
        double x = kLeft;
        const double y = kHeight - 14;
        auto entry = [&](const std::string& glyph, const std::string& label) {
            s += glyph;
            layout.block({x - 7, y - 12, x + 7, y + 2});
            fixed(x + 12, y, label, 13, "start", "#333333", false);
            x += 12 + text_width(chars_of(label), 13) + 22;
        };
        entry(dot(x, y - 5, 6, kAColour), "A (start)");
        entry(dot(x, y - 5, 6, kBColour), "B (end)");
        if (std::any_of(saddles.begin(), saddles.end(), [&](std::size_t k) { return k != 0 && k != n; }))
            entry(dot(x, y - 5, 6, kSaddleColour), "saddle (highest energy)");
        if (marked) {
            entry(triangle(x, y - 5, 5.5, true), "pair added");
            entry(triangle(x, y - 5, 5.5, false), "pair removed");
        } else if (n > kMaxMarkedSteps) {
            fixed(
                x - 6, y,
                "(pairs added and removed are marked on paths of up to " + std::to_string(kMaxMarkedSteps) + " steps)",
                13, "start", "#333333", false);
        }
    }

    // Profile: shaded area, line, and the steps' markers when they can be told apart.
    std::string points;
    for (std::size_t k = 0; k <= n; ++k) points += num(px(static_cast<double>(k))) + "," + num(py(p.energies[k])) + " ";
    if (n > 0) {
        s += "<polygon class=\"area\" points=\"" + num(kLeft) + "," + num(kBottom) + " " + points + num(px(xmax)) +
             "," + num(kBottom) + "\" fill=\"#dce8f5\" fill-opacity=\"0.7\"/>\n";
        s += "<polyline class=\"curve\" points=\"" + points + "\" fill=\"none\" stroke=\"" + kLineColour +
             "\" stroke-width=\"2.5\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
        for (std::size_t k = 0; k < n; ++k)
            layout.block_segment(px(static_cast<double>(k)), py(p.energies[k]), px(static_cast<double>(k + 1)),
                                 py(p.energies[k + 1]));
    }
    const double marker = n <= 40 ? 5 : n <= 120 ? 4 : 3;
    auto is_saddle = [&](std::size_t k) { return std::binary_search(saddles.begin(), saddles.end(), k); };
    if (n <= kMaxMarkedSteps)
        for (std::size_t k = 1; k < n; ++k) {
            if (is_saddle(k)) continue;
            const double x = px(static_cast<double>(k)), y = py(p.energies[k]);
            s += triangle(x, y, marker, p.moves[k - 1].add);
            layout.block({x - marker, y - marker, x + marker, y + marker});
        }

    // The barrier, from E(A) up to the first saddle.
    const double xs = px(static_cast<double>(saddle));
    s += line(kLeft, py(ea), kRight, py(ea), "#888888", 1.2, "6,4");
    const bool climbs = std::lround(es * 100) > std::lround(ea * 100);
    double bx = xs;
    if (climbs) {
        s += line(kLeft, py(es), kRight, py(es), kSaddleColour, 1.2, "6,4");
        bx = saddle == n ? xs - 18 : xs;
        s += line(bx, py(ea) - 2, bx, py(es) + 9, kSaddleColour, 2.2);
        s += "<polygon class=\"arrow\" points=\"" + num(bx - 5) + "," + num(py(es) + 10) + " " + num(bx + 5) + "," +
             num(py(es) + 10) + " " + num(bx) + "," + num(py(es) + 1) + "\" fill=\"" + kSaddleColour + "\"/>\n";
        layout.block_segment(bx, py(ea), bx, py(es));
    }

    // A, B and every saddle.
    const double big = 7;
    struct Mark {
        double x, y;
        const char* colour;
    };
    std::vector<Mark> marks = {{px(0), py(ea), kAColour}};
    if (n > 0) marks.push_back({px(xmax), py(eb), kBColour});
    for (const std::size_t k : saddles)
        if (k != 0 && k != n) marks.push_back({px(static_cast<double>(k)), py(es), kSaddleColour});
    for (const Mark& m : marks) {
        s += dot(m.x, m.y, big, m.colour);
        layout.block({m.x - big, m.y - big, m.x + big, m.y + big});
    }

    // Labels, most important first; each goes where it meets nothing drawn before it.
    auto label = [&](double x, double y, double r, const std::string& body, int size, const char* colour,
                     const std::vector<int>& dirs) {
        const double w = text_width(chars_of(body), size) * 1.08, h = 1.04 * size;
        const Box b = layout.place(x, y, r, w, h, dirs);
        layout.block_text(b);
        // A leader from the point when the label had to move away from it.
        const double cx = std::clamp(x, b.x0, b.x1), cy = std::clamp(y, b.y0, b.y1);
        if (std::hypot(cx - x, cy - y) > r + 40) s += line(x, y, cx, cy, "#999999", 0.8, nullptr, "leader");
        s += text_element(b.x0, b.y0 + 0.8 * size, body, size, "start", "white", true, "halo");
        s.insert(s.rfind("<text") + 5, " stroke=\"white\" stroke-width=\"4\" stroke-linejoin=\"round\"");
        s += text_element(b.x0, b.y0 + 0.8 * size, body, size, "start", colour, true, "label");
    };
    std::vector<std::size_t> inner;
    for (const std::size_t k : saddles)
        if (k != 0 && k != n) inner.push_back(k);
    if (!inner.empty()) {
        std::string steps;
        for (std::size_t t = 0; t < inner.size() && t < 4; ++t) steps += (t ? ", " : "") + std::to_string(inner[t]);
        if (inner.size() > 4) steps += ", ... (" + std::to_string(inner.size()) + " structures)";
        label(px(static_cast<double>(inner[0])), py(es), big,
              "saddle " + kcal_text(es) + (inner.size() == 1 ? " (step " : " (steps ") + steps + ")", 15, kSaddleColour,
              {0, 4, 5, 2, 3, 1});
    }
    if (climbs)
        label(bx, (py(ea) + py(es)) / 2, 3, "barrier " + kcal_text(es - ea) + " kcal/mol", 15, kSaddleColour,
              {2, 3, 4, 5, 6, 7});
    label(px(0), py(ea), big, "A " + kcal_text(ea), 15, kAColour, {1, 6, 0, 4, 2});
    if (n > 0) label(px(xmax), py(eb), big, "B " + kcal_text(eb), 15, kBColour, {2, 6, 4, 1, 0, 3});
    label(kRight, py(ea), 0, "E(A)", 13, "#666666", {6, 4, 2});
    s += "</svg>\n";
    return s;
}

}  // namespace pathout
