// path.html opened in headless Chromium: the README example's page and a 1,000-nt path's page
// show one profile point per structure, and after four presses of the right arrow step 4's
// structure, move and pairs; no request leaves the page (the page's own count and Chromium's
// network log), shown to catch a page that does fetch something. Skipped without chromium.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "pathout/pathout.h"
#include "run_command.h"
#include "text.h"

namespace {

const std::string kBin = ZENTROLA_BIN;
const std::string kSource = SOURCE_DIR;

std::string chromium() {
    const std::string dir = make_scratch_dir("which");
    const CommandResult r = run_in(dir, "{ command -v chromium || command -v chromium-browser; }");
    remove_scratch_dir(dir);
    return r.status == 0 ? r.out.substr(0, r.out.find('\n')) : "";
}

// Partner of each position of a dot-bracket structure, or the position itself when unpaired.
std::vector<std::size_t> partners(const std::string& s) {
    std::vector<std::size_t> p(s.size()), open;
    for (std::size_t x = 0; x < s.size(); ++x) {
        p[x] = x;
        if (s[x] == '(') open.push_back(x);
        if (s[x] == ')') p[x] = open.back(), p[open.back()] = x, open.pop_back();
    }
    return p;
}

struct Opened {
    std::map<std::string, std::string> shown;  // the self-test's lines, key=value
    std::vector<std::string> requests;         // URLs the page asked the network for
};

// Opens `page`#selftest with every host unreachable and returns what the page wrote and what
// Chromium's network log holds of requests made for the page (the browser's own are left out).
Opened open_page(const std::string& dir, const std::string& page) {
    const std::string net = dir + "/net.json";
    const CommandResult r =
        run_in(dir, "'" + chromium() + "' --headless --no-sandbox --disable-gpu --proxy-server=127.0.0.1:9 " +
                        "--host-resolver-rules='MAP * ~NOTFOUND' --virtual-time-budget=5000 --log-net-log='" + net +
                        "' --dump-dom 'file://" + page + "#selftest'");
    Opened o;
    const std::string dom = r.out;
    const std::size_t from = dom.find("<pre id=\"selftest\">");
    if (from == std::string::npos) return o;
    for (const std::string& line : lines_of(dom.substr(from + 19, dom.find("</pre>", from) - from - 19)))
        if (line.find('=') != std::string::npos)
            o.shown[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    for (const std::string& line : lines_of(read_file(net))) {
        const std::size_t url = line.find("\"url\":\"");
        if (line.find("\"network_isolation_key\":\"file://") != std::string::npos && url != std::string::npos)
            o.requests.push_back(line.substr(url + 7, line.find('"', url + 7) - url - 7));
    }
    return o;
}

// The page of `dir`/path.html against path.tsv beside it.
void check_page(const std::string& dir) {
    const auto rows = read_tsv(dir + "/path.tsv");
    ASSERT_GT(rows.size(), 4u);
    const Opened o = open_page(dir, dir + "/path.html");
    ASSERT_EQ(o.shown.count("done"), 1u) << "the self-test did not finish";
    EXPECT_EQ(o.shown.at("points"), std::to_string(rows.size()));
    EXPECT_EQ(o.shown.at("step"), "4");
    EXPECT_EQ(o.shown.at("shown"), "step 4 of " + std::to_string(rows.size() - 1));
    const std::vector<std::string>& r4 = rows[4];
    EXPECT_EQ(o.shown.at("structure"), r4[4]);
    EXPECT_EQ(o.shown.at("move").rfind(r4[1] + " pair (" + r4[2] + ", " + r4[3] + ") ", 0), 0u) << o.shown.at("move");
    EXPECT_NE(o.shown.at("move").find("energy " + r4[5] + " kcal/mol, change "), std::string::npos);
    const std::string pairs = std::to_string(std::count(r4[4].begin(), r4[4].end(), '('));
    EXPECT_EQ(o.shown.at("pairs"), pairs);
    EXPECT_EQ(o.shown.at("arcs"), pairs);
    EXPECT_EQ(o.shown.at("radial_pairs"), pairs);
    EXPECT_EQ(o.shown.at("resources"), "0");
    EXPECT_EQ(o.shown.at("violations"), "0");
    EXPECT_TRUE(o.requests.empty()) << o.requests.front();
    const CommandResult shot = run_in(dir, "'" + chromium() +
                                               "' --headless --no-sandbox --disable-gpu "
                                               "--window-size=1200,1250 --screenshot=shot.png 'file://" +
                                               dir + "/path.html#step=4'");
    EXPECT_GT(read_file(dir + "/shot.png").size(), 20000u) << shot.err;
}

TEST(PathHtml, ReadmeExampleAndALongPathShowStepFourAndFetchNothing) {
    if (chromium().empty()) GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
    const std::string dir = make_scratch_dir("pathhtml");
    const CommandResult r = run_in(
        dir, "'" + kBin + "' -i '" + kSource + "/examples/dsra.faa' -d out -c '" + kSource + "/examples/config' -s 1");
    ASSERT_EQ(r.status, 0) << r.err;
    check_page(dir + "/out");

    // 1,000 nt: the direct path between two structures of hairpins 40 nt long, the second
    // shifted by 20 (A's pairs removed, then B's added), with made-up energies.
    std::string seq(1000, 'A'), a(1000, '.'), b(1000, '.');
    std::mt19937 g(7);
    for (char& c : seq) c = "ACGU"[g() % 4];
    for (std::size_t h = 0; h + 40 <= 1000; h += 40)
        for (std::size_t k = 0; k < 15; ++k) {
            a[h + k] = '(', a[h + 39 - k] = ')';
            if (h + 60 <= 1000) b[h + 20 + k] = '(', b[h + 59 - k] = ')';
        }
    const std::vector<std::size_t> pa = partners(a), pb = partners(b);
    pathout::Path p;
    std::string s = a;
    p.structures = {s};
    for (std::size_t i = 0; i < s.size(); ++i)
        if (pa[i] > i && pa[i] != pb[i]) s[i] = s[pa[i]] = '.', p.structures.push_back(s);
    for (std::size_t i = 0; i < s.size(); ++i)
        if (pb[i] > i && pa[i] != pb[i]) s[i] = '(', s[pb[i]] = ')', p.structures.push_back(s);
    ASSERT_EQ(s, b);
    for (std::size_t k = 0; k < p.structures.size(); ++k) p.energies.push_back(-100 + 0.01 * ((k * 37) % 900));
    p.moves = pathout::moves_between(p.structures);
    ASSERT_EQ(p.moves.size(), 25u * 15 + 24u * 15);
    pathout::write_path_files(dir, "long", seq, p);
    check_page(dir);

    // A page that fetches an image: the page counts the refused request; without the page's
    // content policy the request reaches the network log.
    std::string page = read_file(dir + "/path.html");
    page.insert(page.find("<h1>"), "<img src=\"http://192.0.2.1/x.png\">");
    write_file(dir + "/fetching.html", page);
    const Opened refused = open_page(dir, dir + "/fetching.html");
    EXPECT_EQ(refused.shown.at("resources"), "1");
    EXPECT_EQ(refused.shown.at("violations"), "1");
    page.erase(page.find("<meta http-equiv=\"Content-Security-Policy\""),
               page.find("<meta name=\"viewport\"") - page.find("<meta http-equiv"));
    write_file(dir + "/fetching.html", page);
    const Opened made = open_page(dir, dir + "/fetching.html");
    ASSERT_EQ(made.requests.size(), 1u);
    EXPECT_EQ(made.requests[0], "http://192.0.2.1/x.png");
    remove_scratch_dir(dir);
}

// The page holds everything it needs, and a move that does not fit its structures is refused.
TEST(PathHtml, SelfContainedAndRefusesMovesThatDoNotFit) {
    pathout::Path p{{"........", "(......)", "((....))"}, {0.5, -1, -2}, {}, {}};
    p.moves = pathout::moves_between(p.structures);
    std::string html = pathout::path_html(">toy", "GGGAAACC", p);
    html.erase(html.find("\"http://www.w3.org/2000/svg\""), 28);  // a name, not an address
    for (const char* external : {"src=", "href=", "url(", "@import", "<link", "http://", "https://"})
        EXPECT_EQ(html.find(external), std::string::npos) << external;
    EXPECT_NE(html.find("<h1>toy</h1>"), std::string::npos);
    EXPECT_NE(html.find("k: \"aa\",\ni: [1,2],\nj: [8,7],\ne: [50,-100,-200]"), std::string::npos);
    p.moves[1].j = 6;
    EXPECT_THROW(pathout::path_html("toy", "GGGAAACC", p), std::invalid_argument);
}

}  // namespace
