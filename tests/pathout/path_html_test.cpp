// path.html opened in headless Chromium: the README example's page and a 1,000-nt path's page
// show one profile point per structure, and after four presses of the right arrow step 4's
// structure, move and pairs; no request leaves the page (the page's own count and Chromium's
// network log), shown to catch a page that does fetch something. Skipped without chromium.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "pathout/pathout.h"
#include "run_command.h"
#include "text.h"

namespace {

// What `page`#selftest writes (key=value lines), opened with every host unreachable, and under
// "requests" the URLs of Chromium's network log asked for the page (not the browser's own).
std::map<std::string, std::string> open_page(const std::string& dir, const std::string& page) {
    const CommandResult r = run_in(dir,
                                   "chromium --headless --no-sandbox --disable-gpu --proxy-server=127.0.0.1:9 "
                                   "--host-resolver-rules='MAP * ~NOTFOUND' --virtual-time-budget=5000 "
                                   "--log-net-log=net.json --dump-dom 'file://" +
                                       page + "#selftest'");
    std::map<std::string, std::string> shown;
    const std::size_t from = r.out.find("<pre id=\"selftest\">") + 19;
    for (const std::string& line : lines_of(r.out.substr(from, r.out.find("</pre>", from) - from)))
        if (line.find('=') != std::string::npos)
            shown[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    for (const std::string& line : lines_of(read_file(dir + "/net.json"))) {
        const std::size_t url = line.find("\"url\":\"") + 7;
        if (line.find("\"network_isolation_key\":\"file://") != std::string::npos && url != std::string::npos + 7)
            shown["requests"] += line.substr(url, line.find('"', url) - url) + " ";
    }
    return shown;
}

// The page of `dir`/path.html against path.tsv beside it, and a screenshot of it.
void check_page(const std::string& dir) {
    const auto rows = read_tsv(dir + "/path.tsv");
    const std::map<std::string, std::string> shown = open_page(dir, dir + "/path.html");
    ASSERT_EQ(shown.count("done"), 1u) << "the self-test did not finish";
    EXPECT_EQ(shown.at("points"), std::to_string(rows.size()));
    EXPECT_EQ(shown.at("shown"), "step 4 of " + std::to_string(rows.size() - 1));
    EXPECT_EQ(shown.at("structure"), rows[4][4]);
    EXPECT_EQ(shown.at("move").rfind(rows[4][1] + " pair (" + rows[4][2] + ", " + rows[4][3] + ") ", 0), 0u);
    EXPECT_NE(shown.at("move").find("energy " + rows[4][5] + " kcal/mol, change "), std::string::npos);
    const std::string pairs = std::to_string(std::count(rows[4][4].begin(), rows[4][4].end(), '('));
    EXPECT_TRUE(shown.at("pairs") == pairs && shown.at("arcs") == pairs && shown.at("radial_pairs") == pairs);
    EXPECT_TRUE(shown.at("resources") == "0" && shown.at("violations") == "0" && shown.count("requests") == 0);
    run_in(dir, "chromium --headless --no-sandbox --disable-gpu --screenshot=shot.png 'file://" + dir +
                    "/path.html#step=4'");
    EXPECT_GT(read_file(dir + "/shot.png").size(), 20000u);
}

TEST(PathHtml, ReadmeExampleAndALongPathShowStepFourAndFetchNothing) {
    if (run_in("/tmp", "command -v chromium").status != 0) GTEST_SKIP() << "no chromium (scripts/setup.sh installs it)";
    const std::string dir = make_scratch_dir("pathhtml"), source = SOURCE_DIR;
    const CommandResult r = run_in(dir, "'" ZENTROLA_BIN "' -i '" + source + "/examples/dsra.faa' -d out -c '" +
                                            source + "/examples/config' -s 1");
    ASSERT_EQ(r.status, 0) << r.err;
    check_page(dir + "/out");

    // 1,000 nt: the direct path between two structures of 40-nt hairpins, the second shifted by
    // 20 (A's pairs removed, then B's added), with made-up energies.
    pathout::Path p;
    std::string seq(1000, 'A'), s(1000, '.');
    for (std::size_t x = 0; x < 1000; ++x) seq[x] = "ACGU"[x * x % 7 % 4];
    for (std::size_t h = 0; h + 40 <= 1000; h += 40)
        for (std::size_t k = 0; k < 15; ++k) s[h + k] = '(', s[h + 39 - k] = ')';
    p.structures = {s};
    for (const char open : {'.', '('})
        for (std::size_t h = open == '.' ? 0 : 20; h + 40 <= 1000; h += 40)
            for (std::size_t k = 0; k < 15; ++k)
                s[h + k] = open, s[h + 39 - k] = open == '.' ? '.' : ')', p.structures.push_back(s);
    for (std::size_t k = 0; k < p.structures.size(); ++k) p.energies.push_back(-100 + 0.01 * ((k * 37) % 900));
    p.moves = pathout::moves_between(p.structures);
    pathout::write_path_files(dir, "long", seq, p);
    check_page(dir);

    // A page that fetches an image: the page counts the refused request; without the page's
    // content policy the request reaches the network log.
    std::string page = read_file(dir + "/path.html");
    page.insert(page.find("<h1>"), "<img src=\"http://192.0.2.1/x.png\">");
    write_file(dir + "/fetching.html", page);
    const std::map<std::string, std::string> refused = open_page(dir, dir + "/fetching.html");
    EXPECT_TRUE(refused.at("resources") == "1" && refused.at("violations") == "1");
    page.erase(page.find("<meta http-equiv"), page.find("<meta name=\"viewport\"") - page.find("<meta http-equiv"));
    write_file(dir + "/fetching.html", page);
    EXPECT_EQ(open_page(dir, dir + "/fetching.html")["requests"], "http://192.0.2.1/x.png ");
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
    // A alone kept (a long path): the same table, picture and page, the others from the moves.
    pathout::Path compact = p;
    compact.structures.resize(1);
    EXPECT_EQ(pathout::path_table(compact), pathout::path_table(p));
    EXPECT_EQ(pathout::path_svg("toy", "GGGAAACC", compact), pathout::path_svg("toy", "GGGAAACC", p));
    EXPECT_EQ(pathout::path_html("toy", "GGGAAACC", compact), pathout::path_html("toy", "GGGAAACC", p));
    p.moves[1].j = 6;
    compact.moves[1].j = 8;  // adds (2, 8): 8 is paired
    for (const pathout::Path* bad : {&p, &compact})
        EXPECT_THROW(pathout::path_html("toy", "GGGAAACC", *bad), std::invalid_argument);
    EXPECT_THROW(pathout::path_table(compact), std::invalid_argument);
}

}  // namespace
