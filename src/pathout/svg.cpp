#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "pathout/pathout.h"
#include "pathout/pathout_internal.h"
#include "version/version.h"

namespace pathout {

namespace {

// Page and plot frame in SVG user units (px); 16:9 so it fills a slide.
constexpr double kWidth = 960, kHeight = 540;
constexpr double kLeft = 100, kRight = 850, kTop = 96, kBottom = 448;

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

std::string text(double x, double y, const std::string& body, int size, const char* anchor = "start",
                 const char* colour = "#222222", const char* weight = "normal") {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" font-size=\"" + std::to_string(size) + "\" text-anchor=\"" +
           anchor + "\" fill=\"" + colour + "\" font-weight=\"" + weight + "\">" + body + "</text>\n";
}

// Text over a white outline of itself, readable where it crosses the profile (SVG 1.1 has no paint-order).
std::string haloed(double x, double y, const std::string& body, int size, const char* anchor, const char* colour,
                   const char* weight = "bold") {
    std::string halo = text(x, y, body, size, anchor, "white", weight);
    halo.insert(halo.find('>'), " stroke=\"white\" stroke-width=\"4\" stroke-linejoin=\"round\"");
    return halo + text(x, y, body, size, anchor, colour, weight);
}

std::string line(double x1, double y1, double x2, double y2, const char* colour, double width,
                 const char* dash = nullptr) {
    std::string s = "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) +
                    "\" stroke=\"" + colour + "\" stroke-width=\"" + num(width) + "\"";
    if (dash) s += std::string(" stroke-dasharray=\"") + dash + "\"";
    return s + "/>\n";
}

std::string dot(double x, double y, double r, const char* colour) {
    return "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"" + num(r) + "\" fill=\"" + colour +
           "\" stroke=\"white\" stroke-width=\"1.5\"/>\n";
}

// A label beside a marked point, kept inside the plot frame.
std::string point_label(double x, double y, const std::string& body, const char* colour, bool above) {
    const bool near_right = x > kRight - 170;
    const bool near_left = x < kLeft + 60;
    const char* anchor = near_right ? "end" : near_left ? "start" : "middle";
    const double ly = above ? y - 14 : y + 24;
    return haloed(x + (near_right ? -4 : near_left ? 4 : 0), ly, body, 15, anchor, colour);
}

}  // namespace

std::string path_svg(const std::string& name, const std::string& sequence, const Path& p) {
    check_path(p);
    const std::size_t n = p.structures.size() - 1;  // steps
    const std::size_t saddle = saddle_index(p);
    const double ea = p.energies.front();
    const double eb = p.energies.back();
    const double es = p.energies[saddle];
    const double emin = *std::min_element(p.energies.begin(), p.energies.end());
    const double emax = es;

    // Energy axis: room above the saddle for its label and below the lowest point for A and B.
    const double span = std::max(emax - emin, 1.0);
    const double ystep = tick_step(span * 1.3, 6);
    const double lo = std::floor((emin - 0.12 * span) / ystep) * ystep;
    const double hi = std::ceil((emax + 0.2 * span) / ystep) * ystep;
    const double xmax = n == 0 ? 1.0 : static_cast<double>(n);
    const double xstep = std::max(1.0, tick_step(xmax, 10));

    auto px = [&](double step) { return kLeft + (kRight - kLeft) * step / xmax; };
    auto py = [&](double e) { return kBottom - (kBottom - kTop) * (e - lo) / (hi - lo); };

    const std::string title = name.empty() ? std::string("Folding path") : xml_escape(name);
    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + num(kWidth) + "\" height=\"" +
         num(kHeight) + "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) + "\" font-family=\"" + kFont + "\">\n";
    s += "<title>" + title + ": energy profile of the folding path</title>\n";
    s += "<desc>Free energy (kcal/mol) of each structure along the best folding path found, from A to B, one base "
         "pair added or removed per step. " +
         std::to_string(sequence.size()) + " nt: " + xml_escape(sequence) + ". Drawn by zentrola " +
         zentrola_version() + ".</desc>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) + "\" fill=\"white\"/>\n";

    // Title and the key figures.
    s += text(kLeft, 40, title, 26, "start", "#111111", "bold");
    s += text(kLeft, 70,
              "Energy profile of the best path: " + std::to_string(n) + (n == 1 ? " step" : " steps") + ", barrier " +
                  kcal_text(es - ea) + " kcal/mol, " + std::to_string(sequence.size()) + " nt",
              16, "start", "#555555");

    // Grid and tick labels.
    for (double v = lo; v <= hi + ystep * 1e-6; v += ystep) {
        s += line(kLeft, py(v), kRight, py(v), "#e6e6e6", 1);
        s += text(kLeft - 10, py(v) + 5, tick_label(v, ystep), 14, "end", "#333333");
    }
    for (double v = 0; v <= static_cast<double>(n) + 1e-9; v += xstep) {
        s += line(px(v), kBottom, px(v), kBottom + 6, "#333333", 1.2);
        s += text(px(v), kBottom + 24, tick_label(v, xstep), 14, "middle", "#333333");
    }
    s += line(kLeft, kTop, kLeft, kBottom, "#333333", 1.5);
    s += line(kLeft, kBottom, kRight, kBottom, "#333333", 1.5);
    s += text((kLeft + kRight) / 2, kBottom + 56, "Step along the path (one base pair added or removed per step)", 17,
              "middle", "#222222");
    s += "<text transform=\"translate(34," + num((kTop + kBottom) / 2) +
         ") rotate(-90)\" font-size=\"17\" text-anchor=\"middle\" fill=\"#222222\">Free energy (kcal/mol)</text>\n";

    // Profile: shaded area, line, and the structures as points when they can be told apart.
    std::string points;
    for (std::size_t k = 0; k <= n; ++k) points += num(px(static_cast<double>(k))) + "," + num(py(p.energies[k])) + " ";
    if (n > 0) {
        s += "<polygon points=\"" + num(kLeft) + "," + num(kBottom) + " " + points + num(px(xmax)) + "," +
             num(kBottom) + "\" fill=\"#dce8f5\" fill-opacity=\"0.7\"/>\n";
        s += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + kLineColour +
             "\" stroke-width=\"2.5\" stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n";
    }
    if (n <= 120)
        for (std::size_t k = 1; k < n; ++k)
            if (k != saddle) s += dot(px(static_cast<double>(k)), py(p.energies[k]), 3.2, kLineColour);

    // Barrier: from E(A) up to the saddle.
    const double xs = px(static_cast<double>(saddle));
    s += line(kLeft, py(ea), kRight, py(ea), "#888888", 1.2, "6,4");
    s += haloed(kRight - 4, py(ea) - 6, "E(A) " + kcal_text(ea), 13, "end", "#666666", "normal");
    if (es > ea) {
        s += line(kLeft, py(es), kRight, py(es), kSaddleColour, 1.2, "6,4");
        const double bx = saddle == 0 ? xs + 20 : xs;
        s += line(bx, py(ea) - 2, bx, py(es) + 9, kSaddleColour, 2.2);
        s += "<polygon points=\"" + num(bx - 5) + "," + num(py(es) + 10) + " " + num(bx + 5) + "," + num(py(es) + 10) +
             " " + num(bx) + "," + num(py(es) + 1) + "\" fill=\"" + kSaddleColour + "\"/>\n";
        const bool right_side = bx < kRight - 220;
        s += haloed(bx + (right_side ? 10 : -10), (py(ea) + py(es)) / 2 + 6,
                    "barrier " + kcal_text(es - ea) + " kcal/mol", 16, right_side ? "start" : "end", kSaddleColour);
    }

    // A, B and the saddle.
    s += dot(px(0), py(ea), 7, kAColour);
    s += point_label(px(0), py(ea), "A " + kcal_text(ea), kAColour, false);
    if (n > 0) {
        s += dot(px(xmax), py(eb), 7, kBColour);
        // B sits on the right edge: its label goes into the margin beside it.
        s += haloed(px(xmax) + 12, py(eb) + 5, "B " + kcal_text(eb), 15, "start", kBColour);
    }
    if (saddle != 0 && saddle != n) {
        s += dot(xs, py(es), 7, kSaddleColour);
        s += point_label(xs, py(es), "saddle " + kcal_text(es) + " (step " + std::to_string(saddle) + ")",
                         kSaddleColour, true);
    }
    s += "</svg>\n";
    return s;
}

}  // namespace pathout
