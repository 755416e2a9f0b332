// Shift (with set_vai), stack add/delete and add-delete detour on small cases.
#include <gtest/gtest.h>

#include <utility>

#include "model/stem.h"
#include "variation_helpers.h"

namespace {

// `len` copies of `fill` with the given letters placed.
std::string seq_with(int len, char fill, const std::vector<std::pair<int, char>>& at) {
    std::string s(len, fill);
    for (const auto& x : at) s[x.first] = x.second;
    return s;
}

template <typename T>
std::vector<T> cat(std::vector<T> a, const std::vector<T>& b, const std::vector<T>& c = {}) {
    a.insert(a.end(), b.begin(), b.end());
    a.insert(a.end(), c.begin(), c.end());
    return a;
}

}  // namespace

TEST(SetVai, MovesPresentActionsRefusesReversesInsertsNewOnesWithTheirReverse) {
    const ActionChain base = chain_of({Action(add, 0, 10), Action(add, 12, 20), Action(del, 0, 10), Action(add, 22, 30)});
    const Action* v = base.va.data();
    struct Case { int i; Action x; std::vector<Action> want; int ia, ira; };
    for (const Case& c : std::vector<Case>{
             {1, v[3], {v[0], v[3], v[1], v[2]}, 1, -1},          // present later: ends at i
             {3, v[0], {v[1], v[2], v[0], v[3]}, 2, -1},          // present earlier: ends at i - 1
             {1, Action(del, 12, 20), base.va, -1, -1},           // only the reverse present: refused
             {1, Action(add, 5, 25), {v[0], Action(add, 5, 25), v[1], v[2], Action(del, 5, 25), v[3]}, 1, 4}}) {
        ActionChain w = base;  // new: reverse before the first later action it cannot coexist with
        int ia = 7, ira = 7;
        EXPECT_EQ(w.set_vai(c.i, c.x, ia, ira), c.ia != -1);
        EXPECT_TRUE(w == chain_of(c.want) && ia == c.ia && ira == c.ira) << c.i;
    }
}

TEST(Shift, StackSlidesToFreeWatsonCrickPartnersWithinItsWindow) {
    // (2,12),(3,11) in A; C at 4,5 can take over from 2,3 (G-C); A pairs with nothing here.
    const std::string A = "..((.......)).......";
    const std::string seq = seq_with(20, 'A', {{4, 'C'}, {5, 'C'}, {11, 'G'}, {12, 'G'}});
    const ActionChain p = chain_of({Action(add, 14, 19), Action(add, 5, 8)});
    const Chains out = p.shift(seq, A, 10);
    // The moves at step 0 or 1; each reverse stands before the first later action its pair cannot
    // coexist with: (5,11) before (add 5 8), the rest at the end.
    const std::vector<Action> mv = {Action(del, 3, 11), Action(add, 5, 11), Action(del, 2, 12), Action(add, 4, 12)};
    const std::vector<Action> tail = {Action(del, 5, 11), Action(add, 5, 8), Action(del, 4, 12), Action(add, 3, 11),
                                      Action(add, 2, 12)};
    ASSERT_EQ(out.size(), 2u);
    EXPECT_NE(getindx(out, chain_of(cat(mv, {p.va[0]}, tail)), 0, 1), -1);
    EXPECT_NE(getindx(out, chain_of(cat<Action>({p.va[0]}, mv, tail)), 0, 1), -1);
    for (const ActionChain& o : out) EXPECT_EQ(o.strategy, 10);

    // G-U partners, an inner loop of two, a taken neighbour in the way, the right strand sliding
    // down too far then within reach, no stacked pair.
    const ActionChain q = chain_of({Action(add, 14, 19), Action(add, 16, 18)});
    const std::vector<std::pair<int, char>> right = {{2, 'G'}, {3, 'G'}, {6, 'C'}, {7, 'C'}};
    const std::vector<std::pair<std::string, std::string>> none = {
        {seq_with(20, 'A', {{4, 'U'}, {5, 'U'}, {11, 'G'}, {12, 'G'}}), A},
        {seq_with(20, 'A', {{4, 'C'}, {5, 'U'}, {11, 'G'}, {12, 'G'}}), A},
        {seq_with(20, 'A', {{4, 'C'}, {5, 'C'}, {8, 'G'}, {9, 'G'}}), "..((....)).........."},   // (5,8)
        {seq_with(20, 'A', {{5, 'C'}, {6, 'C'}, {11, 'G'}, {12, 'G'}}), "..(((.....)))......."},  // 4 taken
        {seq_with(20, 'A', right), A},                                                         // (3,6)
        {seq, "..(.........)......."}};
    for (const auto& c : none) EXPECT_TRUE(nothing_drawn([&] { return q.shift(c.first, c.second, 10); })) << c.first;
    EXPECT_EQ(q.shift(seq_with(20, 'A', cat(right, {{8, 'C'}})), A, 10).size(), 2u);  // (3,7), (2,8)
}

TEST(Stack, CoreInsertsFreeHelixPairsWithDeletionsBeforeTheirFirstBlock) {
    const std::string A = "(............................)";
    const ActionChain p = chain_of(
        {Action(del, 0, 29), Action(add, 14, 20), Action(add, 11, 24), Action(del, 11, 24), Action(add, 9, 13)});
    const Action* v = p.va.data();
    RStruct rs(A);
    rs.applyAction(v[0]);
    // (11,24) is added by the path: skipped, (12,23) still inserted; (add 9 13) blocks both.
    bool ok = false;
    ActionChain c = p.adddelstack(rs, 1, stem(BP(10, 25), BP(12, 23)), ok);
    EXPECT_TRUE(ok && c == chain_of({v[0], Action(add, 10, 25), Action(add, 12, 23), v[1], v[2], v[3],
                                     Action(del, 10, 25), Action(del, 12, 23), v[4]}));
    EXPECT_TRUE(applies_from(A, c) && c.strategy == 0 && c.mde == OOENERGY);
    // Nothing later blocks (1,8), (2,7): both deletions at the end, outer first.
    c = p.adddelstack(rs, 1, stem(BP(1, 8), BP(2, 7)), ok = false);
    EXPECT_TRUE(ok && c == chain_of({v[0], Action(add, 1, 8), Action(add, 2, 7), v[1], v[2], v[3], v[4],
                                     Action(del, 1, 8), Action(del, 2, 7)}));
    // Every pair crosses (add 14 20), the action at the step.
    c = p.adddelstack(rs, 1, stem(BP(16, 23), BP(18, 21)), ok = true);
    EXPECT_TRUE(!ok && c == p);
    // Pairs clashing before the step are skipped: (0,29) present at step 0, (1,28) inserted.
    c = p.adddelstack(RStruct(A), 0, stem(BP(0, 29), BP(1, 28)), ok = false);
    EXPECT_TRUE(ok && c.size() == p.size() + 2 && c.va[0] == Action(add, 1, 28));
}

TEST(Stack, TriesStemsOnlyAfterDeletionsAndNotThoseHoldingTheDeletedPair) {
    const std::string seq = "GGGAAAACCC", A = "((.....).)";  // one stem (0,9)-(2,7); A has (1,7), (0,9)
    ASSERT_EQ(stemlist(seq, 3).stems.size(), 1u);
    const Chains out = chain_of({Action(del, 1, 7), Action(del, 0, 9)}).adddelstack(seq, A, 5);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0] == chain_of({Action(del, 1, 7), Action(add, 1, 8), Action(add, 2, 7), Action(del, 0, 9),
                                    Action(del, 1, 8), Action(del, 2, 7)}));
    EXPECT_EQ(out[0].strategy, 9);
    // Stem holding the deleted pair; the step's action blocking the stem; no deletion at all.
    for (const auto& c : std::vector<std::pair<ActionChain, std::string>>{
             {chain_of({Action(del, 0, 9), Action(del, 1, 7)}), A},
             {chain_of({Action(del, 1, 7), Action(add, 3, 8)}), A},
             {chain_of({Action(add, 2, 6)}), ".........."}})
        EXPECT_TRUE(nothing_drawn([&] { return c.first.adddelstack(seq, c.second, 5); }));
}

TEST(AddDel, ExtendsAHelixByOnePairForAWhileNeverWithPathPairsOrTinyLoops) {
    // A has (3,10); G at 2 and C at 11 can stack (2,11) outside it; T pairs only with A.
    const std::string A = "...(......).....";
    const std::string gc = seq_with(16, 'T', {{2, 'G'}, {11, 'C'}});
    const ActionChain p = chain_of({Action(add, 12, 15), Action(add, 5, 8)});
    // (2,11) is proposed from x = 2 and x = 11 at step 0: one candidate; at step 1 no room.
    Chains out = p.adddel(gc, A, 5);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0] == chain_of({Action(add, 2, 11), p.va[0], p.va[1], Action(del, 2, 11)}));
    EXPECT_TRUE(out[0].strategy == 6 && out[0].mde == OOENERGY);
    // G-U pairs can be detours, C-C cannot.
    EXPECT_EQ(p.adddel(seq_with(16, 'T', {{2, 'G'}, {11, 'U'}}), A, 5).size(), 1u);
    EXPECT_EQ(p.adddel(seq_with(16, 'T', {{2, 'U'}, {11, 'G'}}), A, 5).size(), 1u);
    EXPECT_TRUE(p.adddel(seq_with(16, 'T', {{2, 'C'}, {11, 'C'}}), A, 5).empty());
    // Deleted just before the first later conflicting action, and only with two actions between.
    const ActionChain q = chain_of({p.va[0], p.va[1], Action(add, 0, 2), Action(add, 13, 14)});
    out = q.adddel(gc, A, 5);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0] == chain_of({Action(add, 2, 11), q.va[0], q.va[1], Action(del, 2, 11), q.va[2], q.va[3]}));
    // Pairs the path moves itself, an inner loop of one, no pair along the path.
    const ActionChain own = chain_of({p.va[0], p.va[1], Action(add, 2, 11), Action(del, 2, 11), Action(add, 0, 1)});
    EXPECT_TRUE(nothing_drawn([&] { return own.adddel(gc, A, 5); }));
    const ActionChain r = chain_of({Action(add, 10, 15), Action(add, 11, 14), Action(del, 11, 14)});
    EXPECT_TRUE(nothing_drawn([&] { return r.adddel(seq_with(16, 'T', {{5, 'G'}, {7, 'C'}}), "....(...).......", 5); }));
    EXPECT_TRUE(nothing_drawn([&] { return chain_of({Action(add, 3, 10)}).adddel(gc, std::string(16, '.'), 5); }));
}
