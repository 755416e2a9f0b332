// Deletion reordering: clearing the way for a helix that the sequence could form.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <utility>

#include "error/fatal_error.h"
#include "model/chain.h"
#include "model/fast_structure.h"
#include "model/stem.h"
#include "model/structure.h"
#include "operators/candidates.h"
#include "operators/random.h"
#include "operators/reorder_tables.h"

int ActionChain::getindx_conflict(const int& start, const BP& bp) const {
    const int n = static_cast<int>(va.size());
    for (int k = std::max(start, 0); k < n; ++k) {
        const Action& x = va[k];
        if (move_blocks(x, bp)) return k;
    }
    return n;
}

namespace {

// Rank of a position in the outward visiting order from mid: mid, mid-1, mid+1, mid-2, ...
int visit_rank(int mid, int p) { return p == mid ? 0 : (p < mid ? 2 * (mid - p) - 1 : 2 * (p - mid)); }

// Walks the pairs of the structure with an end in the helix's span that are not formed as in
// the helix, in the order met when walking outward from the middle of the span, and hands each
// to f; stops early when f returns false.
template <typename F>
void scan_span(const std::vector<int>& partner, const stem& st, F&& f) {
    const int lo = st.outer.lp, hi = st.outer.rp;
    const int mid = (lo + hi) / 2;
    // Returns false when f asks to stop.
    auto visit = [&](int p) {
        const int z = partner_at(partner, p);
        if (z == -1 || z == lo + hi - p) return true;
        // A pair met again from its other end is already listed.
        if (lo <= z && z <= hi && visit_rank(mid, z) < visit_rank(mid, p)) return true;
        return f(BP(std::min(p, z), std::max(p, z)));
    };
    for (int k = 0;; ++k) {
        const int x = mid - k, y = mid + k;
        if (x < lo && y > hi) break;
        if (x >= lo) {
            ZENTROLA_CHECK(partner_at(partner, x) != x && "z!=x");
            if (!visit(x)) return;
        }
        if (k > 0 && y <= hi) {
            ZENTROLA_CHECK(partner_at(partner, y) != y && "z!=y");
            if (!visit(y)) return;
        }
    }
}

// The conflicting-pair list of a helix, in scan order.
std::vector<BP> span_scan(const std::vector<int>& partner, const stem& st) {
    std::vector<BP> ret;
    scan_span(partner, st, [&ret](const BP& bp) {
        ret.push_back(bp);
        return true;
    });
    return ret;
}

// Which pairs the parent adds and deletes anywhere. Inside a core, the moves of a pair that
// the core has not handled yet are exactly the parent's moves of that pair (the core only
// moves or inserts moves of the pair it is handling), so these records answer "is there such a
// move in the working copy" without a search.
struct MoveIndex {
    // One record per pair the parent moves, sorted by pair; indices are parent steps, -1 for none.
    struct Moves {
        long long pair;
        int first_add, last_add, last_del;
    };
    std::vector<Moves> rec;

    static long long key(const BP& b) { return (static_cast<long long>(b.lp) << 32) | static_cast<unsigned>(b.rp); }

    explicit MoveIndex(const std::vector<Action>& va) {
        rec.reserve(va.size());
        for (int k = 0; k < static_cast<int>(va.size()); ++k) rec.push_back(Moves{key(va[k].b), k, k, k});
        std::sort(rec.begin(), rec.end(), [](const Moves& x, const Moves& y) { return x.pair < y.pair; });
        // Merge the records of a pair: k was stored in all three fields, sort by step within pair.
        std::vector<Moves> merged;
        for (std::size_t b = 0; b < rec.size();) {
            std::size_t e = b;
            Moves m{rec[b].pair, -1, -1, -1};
            for (; e < rec.size() && rec[e].pair == m.pair; ++e) {
                const int k = rec[e].first_add;
                if (va[k].a == add) {
                    if (m.first_add == -1 || k < m.first_add) m.first_add = k;
                    if (k > m.last_add) m.last_add = k;
                } else if (k > m.last_del) {
                    m.last_del = k;
                }
            }
            merged.push_back(m);
            b = e;
        }
        rec.swap(merged);
    }
    const Moves* find(const BP& b) const {
        auto it = std::lower_bound(rec.begin(), rec.end(), key(b),
                                   [](const Moves& x, long long k) { return x.pair < k; });
        return it != rec.end() && it->pair == key(b) ? &*it : nullptr;
    }
    // Per position, the record of the pair formed there in a structure, or nullptr (a pair
    // the parent never moves): kept beside a partner table so that a scan finds a pair's
    // record without a search.
    void track(std::vector<const Moves*>& at, const std::vector<int>& partner) const {
        at.assign(partner.size(), nullptr);
        for (int p = 0; p < static_cast<int>(partner.size()); ++p)
            if (partner[p] > p) at[p] = at[partner[p]] = find(BP(p, partner[p]));
    }
    void track(std::vector<const Moves*>& at, const Action& x) const {
        const Moves* m = x.a == add ? find(BP(std::min(x.b.lp, x.b.rp), std::max(x.b.lp, x.b.rp))) : nullptr;
        at[x.b.lp] = at[x.b.rp] = m;
    }
    // Index of the pair's last addition in the parent, or -1.
    int last_add(const BP& b) const {
        const Moves* m = find(b);
        return m ? m->last_add : -1;
    }
    bool added(const BP& b) const { return last_add(b) != -1; }
    bool deleted(const BP& b) const {
        const Moves* m = find(b);
        return m && m->last_del != -1;
    }
};

// First index from `start` on holding the move (a, b) (ordered pair), or -1.
int find_move(const std::vector<Action>& va, Act a, const BP& b, int start) {
    const int n = static_cast<int>(va.size());
    for (int k = std::max(start, 0); k < n; ++k)
        if (va[k].a == a && va[k].b.lp == b.lp && va[k].b.rp == b.rp) return k;
    return -1;
}

void insert_at(std::vector<Action>& va, int pos, const Action& x) { va.insert(va.begin() + pos, x); }
void erase_at(std::vector<Action>& va, int pos) { va.erase(va.begin() + pos); }

bool within(const BP& cur, const stem& st) { return cur.lp >= st.outer.lp && cur.rp <= st.outer.rp; }

BP outward(const BP& cur) { return BP(cur.lp - 1, cur.rp + 1); }

// Core of reorder_del: the blocking pairs disappear at the step and the helix grows behind them.
ActionChain core_reorder(const std::vector<Action>& parent, const MoveIndex& moves, const RStruct& rs,
                         const std::vector<int>& partner, int indx, const stem& st, bool& ok) {
    ok = false;
    ActionChain ac;
    ac.va = parent;
    RStruct ws = rs;
    std::vector<int> wpartner = partner;
    const std::vector<BP> conflicts = span_scan(partner, st);
    BP cur = st.inner;
    for (const BP& bp : conflicts) {
        if (moves.added(bp)) return ac;
        ok = true;
        const Action d(del, bp);
        const int idel = moves.deleted(bp) ? find_move(ac.va, del, bp, indx) : -1;
        if (idel == -1) {
            insert_at(ac.va, indx, d);
            ac.va.push_back(Action(add, bp));
        } else {
            ZENTROLA_CHECK(idel >= indx && "indx_del>=indx");
            erase_at(ac.va, idel);
            insert_at(ac.va, indx, d);
        }
        ++indx;
        ws.applyAction(d);
        wpartner[bp.lp] = wpartner[bp.rp] = -1;

        while (within(cur, st) && partner_at(wpartner, cur.lp) == cur.rp) cur = outward(cur);
        while (within(cur, st)) {
            const Action ad(add, cur);
            if (ws.checkclash(ad)) break;
            const int ia = moves.added(cur) ? find_move(ac.va, add, cur, indx) : -1;
            if (ia == -1 && moves.deleted(cur)) {
                ok = false;
                return ac;
            }
            if (ia == -1) {
                const int ic = ac.getindx_conflict(indx, cur);
                if (ic < indx) {
                    std::ostringstream text;
                    text << "The current step is " << indx << ", action is ";
                    text << "The current structure is ";
                    ws.show(text);
                    text << "Want to add bp ";
                    cur.show(text);
                    text << " to rs" << std::endl;
                    text << "Action[" << ic << "]=";
                    ac.va[ic].show(text);
                    text << " conflicts with bp" << std::endl;
                    throw FatalError::from_text(text.str(), ErrorStream::out);
                }
                insert_at(ac.va, indx, ad);
                insert_at(ac.va, ic + 1, Action(del, cur));
            } else {
                erase_at(ac.va, ia);
                insert_at(ac.va, indx, ad);
            }
            ws.applyAction(ad);
            if (cur.rp >= static_cast<int>(wpartner.size())) wpartner.resize(cur.rp + 1, -1);
            wpartner[cur.lp] = cur.rp;
            wpartner[cur.rp] = cur.lp;
            ++indx;
            cur = outward(cur);
        }
    }
    return ac;
}

// Whether core_reorder at this parent step reports ok, found without building the chain. The
// working copy only matters through the parent's moves of the pairs met (MoveIndex): an
// addition of a helix pair lies at or after the working step exactly when the parent adds it
// at or after `step`. The list of blocking pairs is walked lazily, since the answer is often
// settled early: at a pair the parent adds, or once the whole helix is formed.
// The working structure is `wp`, the partner table of the structure at the step, changed in
// place and restored before returning (`undo` is scratch space). The clash test of a helix
// pair (a, b) is done on it: a shared base, or a pair with one end strictly inside (a, b) and
// the other outside [a, b]. The number of such crossing pairs is counted when first needed
// for a helix pair and kept up to date as blocking pairs are deleted.
bool reorder_ok(const MoveIndex& moves, const std::vector<const MoveIndex::Moves*>& at,
                const std::vector<int>& partner, std::vector<int>& wp, std::vector<std::pair<int, int>>& undo, int step,
                const stem& st) {
    undo.clear();
    auto set = [&](int q, int v) {
        undo.emplace_back(q, wp[q]);
        wp[q] = v;
    };
    auto outside = [](int q, const BP& c) { return q < c.lp || q > c.rp; };
    auto count_crossing = [&](const BP& c) {
        int n = 0;
        for (int q = c.lp + 1; q < c.rp; ++q)
            if (wp[q] != -1 && outside(wp[q], c)) ++n;
        return n;
    };
    bool ok = false, settled = false;
    BP cur = st.inner;
    int cross = -1;  // pairs crossing cur, -1 while not counted
    scan_span(partner, st, [&](const BP& bp) {
        if (at[bp.lp] && at[bp.lp]->last_add != -1) return false;
        ok = true;
        set(bp.lp, -1);
        set(bp.rp, -1);
        if (cross > 0 && crosses(bp, cur)) --cross;
        while (within(cur, st) && wp[cur.lp] == cur.rp) {
            cur = outward(cur);
            cross = -1;
        }
        while (within(cur, st)) {
            if (wp[cur.lp] != -1 || wp[cur.rp] != -1) break;
            if (cross < 0) cross = count_crossing(cur);
            if (cross > 0) break;
            if (moves.last_add(cur) < step && moves.deleted(cur)) {
                ok = false;
                settled = true;
                return false;
            }
            set(cur.lp, cur.rp);
            set(cur.rp, cur.lp);
            cur = outward(cur);
            cross = 0;  // nothing crossed the pair just formed, so nothing crosses the next one out
        }
        if (!within(cur, st)) settled = true;
        return !settled;
    });
    for (auto it = undo.rbegin(); it != undo.rend(); ++it) wp[it->first] = it->second;
    return ok;
}

// Core of reorder_del2. `place(lb, ub)` gives the random position in lb..ub (most often ub).
template <typename Place>
ActionChain core_reorder4(const std::vector<Action>& parent, const MoveIndex& moves, const std::vector<int>& partner,
                          int indx, const stem& st, bool& ok, Place&& place) {
    ok = false;
    ActionChain ac;
    ac.va = parent;
    for (const BP& bp : span_scan(partner, st)) {
        ok = true;
        const Action d(del, bp), a(add, bp);
        const int idel = moves.deleted(bp) ? find_move(ac.va, del, bp, indx) : -1;
        const int iadd = moves.added(bp) ? find_move(ac.va, add, bp, 0) : -1;
        if (idel == -1 && iadd == -1) {
            // Present from A to the end: removed at or before the step, restored later.
            insert_at(ac.va, place(0, indx), d);
            ++indx;
            insert_at(ac.va, place(indx, ac.size()), a);
        } else if (idel == -1) {
            // Added earlier and kept to the end: the addition is postponed past the step.
            ZENTROLA_CHECK(iadd < indx && "indx_add < indx");
            // With the step already at the end there is no later place; the pair stays.
            if (indx + 1 > ac.size()) continue;
            insert_at(ac.va, place(indx + 1, ac.size()), a);
            erase_at(ac.va, iadd);
            --indx;
        } else {
            // Deleted at or after the step: the deletion is brought forward.
            ZENTROLA_CHECK(idel >= indx && "indx_del>=indx");
            erase_at(ac.va, idel);
            const int p = (iadd == -1 || iadd >= indx) ? place(0, indx) : place(iadd, indx);
            insert_at(ac.va, p, d);
            ++indx;
        }
    }
    return ac;
}

// The branch core_reorder4 takes for each pair it handles, in order: which side of the working
// step the parent's moves of the pair stand on. Each branch depends only on that, and the core
// keeps every parent move on its side, so the branches fix how the working step and length
// change and how many positions are drawn (a place in lb..ub draws exactly when lb < ub).
enum Reorder4Branch : std::uint8_t {
    kRestore,        // present to the end: deleted at or before the step, added again later
    kPostponeAdd,    // added before the step and kept: the addition moves past the step
    kEarlyDelAfter,  // deleted after the step, added before it: the deletion comes forward
    kDelAfter,       // deleted after the step, not added before it: the deletion comes forward
    kBroken,         // added after the step while present: not a valid parent
};

// Branch of core_reorder4 for a pair present at `step` (m: the parent's moves of the pair, or
// nullptr). It stays the same while the pair stays: the step can only pass one of the pair's
// own moves by deleting or adding the pair.
std::uint8_t branch_of(const MoveIndex::Moves* m, int step) {
    const bool del_after = m && m->last_del >= step;
    const int first_add = m ? m->first_add : -1;
    if (!del_after && first_add == -1) return kRestore;
    if (!del_after) return first_add < step ? kPostponeAdd : kBroken;
    return first_add != -1 && first_add < step ? kEarlyDelAfter : kDelAfter;
}

// Positions core_reorder4 draws at `step` on a parent of `size` moves, given its branches.
int reorder4_places(const std::vector<std::uint8_t>& branches, int step, int size) {
    int indx = step, len = size, places = 0;
    for (const std::uint8_t b : branches) {
        switch (b) {
            case kRestore:
                places += indx > 0;
                ++indx;
                places += indx < len + 1;
                len += 2;
                break;
            case kPostponeAdd:
                if (indx + 1 > len) break;  // the step is at the end: the pair stays
                places += indx + 1 < len;
                --indx;
                break;
            case kEarlyDelAfter: ++places, ++indx; break;
            case kBroken: ZENTROLA_CHECK(!"indx_add < indx"); break;
            default: places += indx > 0, ++indx;
        }
    }
    return places;
}

// The same count in closed form for the steps strictly between `lo` and `hi`, where every
// comparison of reorder4_places holds: there the count depends on the branches alone.
struct PlacesAway {
    int places = 0, lo = 0, hi = 0;
};
PlacesAway reorder4_places_away(const std::vector<std::uint8_t>& branches, int size) {
    PlacesAway r;
    r.lo = -(1 << 30);
    r.hi = 1 << 30;
    int d = 0, e = 0;  // working step - step, working length - size
    for (const std::uint8_t b : branches) {
        switch (b) {
            case kRestore:
                r.lo = std::max(r.lo, -d);
                ++d;
                r.hi = std::min(r.hi, size + e + 1 - d);
                e += 2;
                r.places += 2;
                break;
            case kPostponeAdd:
                r.hi = std::min(r.hi, size + e - d - 1);
                --d;
                r.places += 1;
                break;
            case kEarlyDelAfter: ++d, ++r.places; break;
            case kBroken: ZENTROLA_CHECK(!"indx_add < indx"); break;
            default:
                r.lo = std::max(r.lo, -d);
                ++d;
                ++r.places;
        }
    }
    return r;
}

// A move of the parent at step i - 1 changes what a helix's scan sees at step i only when it
// touches the helix's span; between such moves the answers for the helix are carried over.
bool touches(const Action& x, const stem& st) {
    const int lo = st.outer.lp, hi = st.outer.rp;
    return (lo <= x.b.lp && x.b.lp <= hi) || (lo <= x.b.rp && x.b.rp <= hi);
}

}  // namespace

ActionChain ActionChain::reorder_del(const RStruct& rs, const int& indx, const stem& st, bool& ok) const {
    return core_reorder(va, MoveIndex(va), rs, partner_table(rs), indx, st, ok);
}

ActionChain ActionChain::reorder_del4(const RStruct& rs, const int& indx, const stem& st, bool& ok) const {
    return core_reorder4(va, MoveIndex(va), partner_table(rs), indx, st, ok,
                         [](int lb, int ub) { return mygaussian_left(lb, ub); });
}

// The candidates are kept as (step, stem): whether a core call is a candidate is found without
// building its chain, and the chain is built only when drawn (the core is deterministic given
// the structure at the step, which is replayed from A again).
// Per helix, kept up to date move by move: the pairs its scan lists (pairs with an end in its
// span, not symmetric about its centre), in scan order, as their rank in the visiting order and
// their reorder_del2 branch; how many strand positions are paired and how many listed pairs are
// not strictly inside its loop; and reorder_del2's count away from the ends of the parent,
// redone when the list changes. A helix conflicts with a pair of the structure other than its
// own exactly when `outer` > 0 (blocked(.., true)), and with any pair when `strand` > 0 too.
struct HelixLists {
    struct Listing {
        std::vector<int> ranks;
        std::vector<std::uint8_t> branches;
        int strand = 0, outer = 0;
        bool dirty = true;
        PlacesAway away;
    };
    std::vector<Listing> helix;

    static int rank_of(const stem& st, const BP& q) {
        const int lo = st.outer.lp, hi = st.outer.rp, mid = (lo + hi) / 2;
        int r = 1 << 30;
        for (const int e : {q.lp, q.rp})
            if (lo <= e && e <= hi) r = std::min(r, visit_rank(mid, e));
        return r;
    }
    static bool on_strand(const stem& st, int e) {
        return (st.outer.lp <= e && e <= st.inner.lp) || (st.inner.rp <= e && e <= st.outer.rp);
    }
    static bool inside_loop(const stem& st, const BP& q) { return st.inner.lp < q.lp && q.rp < st.inner.rp; }

    // The lists at step 0, from the partner table of A.
    HelixLists(const std::vector<stem>& stems, const std::vector<int>& partner,
               const std::vector<const MoveIndex::Moves*>& at)
        : helix(stems.size()) {
        for (std::size_t s = 0; s < stems.size(); ++s) {
            const stem& st = stems[s];
            Listing& l = helix[s];
            for (int e = st.outer.lp; e <= st.outer.rp; ++e)
                if (on_strand(st, e) && partner[e] != -1) ++l.strand;
            scan_span(partner, st, [&](const BP& q) {
                l.ranks.push_back(rank_of(st, q));
                l.branches.push_back(branch_of(at[q.lp], 0));
                if (!inside_loop(st, q)) ++l.outer;
                return true;
            });
        }
    }
    // After the parent's move x (which touches the helix's span), before step `step`.
    void update(const stem& st, Listing& l, const Action& x, const std::vector<const MoveIndex::Moves*>& at,
                int step) {
        const BP q(std::min(x.b.lp, x.b.rp), std::max(x.b.lp, x.b.rp));
        const int sign = x.a == add ? 1 : -1;
        l.strand += sign * (on_strand(st, q.lp) + on_strand(st, q.rp));
        if (q.lp + q.rp == st.outer.lp + st.outer.rp) return;  // the scan skips those
        const int r = rank_of(st, q);
        const auto pos = std::lower_bound(l.ranks.begin(), l.ranks.end(), r) - l.ranks.begin();
        if (sign > 0) {
            l.ranks.insert(l.ranks.begin() + pos, r);
            l.branches.insert(l.branches.begin() + pos, branch_of(at[q.lp], step));
        } else {
            ZENTROLA_CHECK(pos < static_cast<long>(l.ranks.size()) && l.ranks[pos] == r);
            l.ranks.erase(l.ranks.begin() + pos);
            l.branches.erase(l.branches.begin() + pos);
        }
        if (!inside_loop(st, q)) l.outer += sign;
        l.dirty = true;
    }
};

void reorder_del_table(const std::vector<Action>& va, const std::string& sequence, const std::string& A,
                       ReorderTables& t) {
    const std::vector<stem>& stems = stems_of(sequence);
    const MoveIndex moves(va);
    t.del.clear();
    PathStructure rs(A);
    if (rs.partner.size() < sequence.size()) rs.partner.resize(sequence.size(), -1);
    std::vector<int> wp = rs.partner;
    std::vector<std::pair<int, int>> undo;
    std::vector<const MoveIndex::Moves*> at;
    moves.track(at, rs.partner);
    // Whether each helix is a candidate at the current step (its answer stands until a move
    // touches its span: whether the parent adds a helix pair before the step changes only at
    // such a move).
    std::vector<char> cand(stems.size(), 0);
    HelixLists lists(stems, rs.partner, at);
    for (int i = 0; i < static_cast<int>(va.size()); ++i) {
        for (int s = 0; s < static_cast<int>(stems.size()); ++s) {
            const stem& st = stems[s];
            if (i == 0 || touches(va[i - 1], st)) {
                if (i > 0) lists.update(st, lists.helix[s], va[i - 1], at, i);
                cand[s] = lists.helix[s].outer > 0 && reorder_ok(moves, at, rs.partner, wp, undo, i, st);
            }
            if (cand[s]) t.del.emplace_back(i, s);
        }
        rs.apply(va[i]);
        moves.track(at, va[i]);
        const BP& b = va[i].b;
        wp[b.lp] = rs.partner[b.lp];
        wp[b.rp] = rs.partner[b.rp];
    }
}

// The candidates of reorder_del2 are kept as (stem, where their draws start in the stream),
// grouped by step. The enumeration only counts the draws its core calls would make; the caller
// moves the program's stream on by their total, and a drawn candidate is rebuilt by running
// the core on a copy of the stream placed at its first draw, so it gets the very positions the
// core would have drawn.
void reorder_del2_table(const std::vector<Action>& va, const std::string& sequence, const std::string& A,
                        ReorderTables& t) {
    const std::vector<stem>& stems = stems_of(sequence);
    const MoveIndex moves(va);
    t.del2_stem.clear();
    t.del2_places.clear();
    t.del2_many.clear();
    t.del2_checkpoint.clear();
    t.del2_step_begin.clear();
    std::uint64_t draws = 0;
    const int size = static_cast<int>(va.size());
    PathStructure rs(A);
    if (rs.partner.size() < sequence.size()) rs.partner.resize(sequence.size(), -1);
    std::vector<const MoveIndex::Moves*> at;
    moves.track(at, rs.partner);
    HelixLists lists(stems, rs.partner, at);
    for (int i = 0; i < size; ++i) {
        t.del2_step_begin.push_back(static_cast<int>(t.del2_stem.size()));
        for (int s = 0; s < static_cast<int>(stems.size()); ++s) {
            HelixLists::Listing& l = lists.helix[s];
            if (i > 0 && touches(va[i - 1], stems[s])) lists.update(stems[s], l, va[i - 1], at, i);
            if ((l.strand == 0 && l.outer == 0) || l.ranks.empty()) continue;
            if (l.dirty) {
                l.away = reorder4_places_away(l.branches, size);
                l.dirty = false;
            }
            const int k = static_cast<int>(t.del2_stem.size());
            if (k % ReorderTables::kCheckpoint == 0) t.del2_checkpoint.push_back(draws);
            const int places = l.away.lo < i && i < l.away.hi ? l.away.places : reorder4_places(l.branches, i, size);
            t.del2_stem.push_back(s);
            t.del2_places.push_back(static_cast<std::uint8_t>(std::min(places, 255)));
            if (places >= 255) t.del2_many.emplace_back(k, places);
            draws += 10 * static_cast<std::uint64_t>(places);  // mygaussian_left: ten draws a place
        }
        rs.apply(va[i]);
        moves.track(at, va[i]);
    }
    t.del2_total = draws;
}

std::uint64_t ReorderTables::del2_draws_before(int k) const {
    const int from = k / kCheckpoint * kCheckpoint;
    std::uint64_t draws = del2_checkpoint[from / kCheckpoint];
    auto many = std::lower_bound(del2_many.begin(), del2_many.end(), std::make_pair(from, 0));
    for (int c = from; c < k; ++c) {
        int places = del2_places[c];
        if (places == 255) places = (many++)->second;
        draws += 10 * static_cast<std::uint64_t>(places);
    }
    return draws;
}

ReorderTables reorder_tables(const ActionChain& parent, const std::string& sequence, const std::string& A,
                             bool del, bool del2) {
    ReorderTables t;
    if (del) reorder_del_table(parent.va, sequence, A, t);
    if (del2) reorder_del2_table(parent.va, sequence, A, t);
    t.has_del = del;
    t.has_del2 = del2;
    return t;
}

std::vector<ActionChain> reorder_del_drawn(const ActionChain& parent, const ReorderTables& t,
                                           const std::string& sequence, const std::string& A, int n) {
    if (n == 0) return {};
    ZENTROLA_CHECK(t.has_del);
    const std::vector<Action>& va = parent.va;
    const std::vector<stem>& stems = stems_of(sequence);
    const MoveIndex moves(va);
    auto make = [&](int k) {
        const RStruct at = structure_at(A, va, t.del[k].first);
        bool ok = false;
        ActionChain c = core_reorder(va, moves, at, partner_table(at), t.del[k].first, stems[t.del[k].second], ok);
        ZENTROLA_CHECK(ok);
        return c;
    };
    return draw_candidates(static_cast<int>(t.del.size()), make, A, n, kStrategyReorderDel);
}

std::vector<ActionChain> reorder_del2_drawn(const ActionChain& parent, const ReorderTables& t,
                                            const std::string& sequence, const std::string& A, int n) {
    if (n == 0) return {};
    ZENTROLA_CHECK(t.has_del2);
    const std::vector<Action>& va = parent.va;
    const std::vector<stem>& stems = stems_of(sequence);
    const MoveIndex moves(va);
    const RandomStream origin = random_stream();
    random_stream().skip(t.del2_total);
    auto make = [&](int k) {
        const int step = static_cast<int>(std::upper_bound(t.del2_step_begin.begin(), t.del2_step_begin.end(), k) -
                                          t.del2_step_begin.begin()) -
                         1;
        RandomStream local = origin;
        local.skip(t.del2_draws_before(k));
        bool ok = false;
        ActionChain ac = core_reorder4(va, moves, partner_table(structure_at(A, va, step)), step,
                                       stems[t.del2_stem[k]], ok,
                                       [&local](int lb, int ub) { return mygaussian_left(local, lb, ub); });
        ZENTROLA_CHECK(ok);
        return ac;
    };
    return draw_candidates(static_cast<int>(t.del2_stem.size()), make, A, n, kStrategyReorderDel2);
}

std::vector<ActionChain> ActionChain::reorder_del(const std::string& sequence, const std::string& A,
                                                  const int& n) const {
    if (n == 0) return {};
    return reorder_del_drawn(*this, reorder_tables(*this, sequence, A, true, false), sequence, A, n);
}

std::vector<ActionChain> ActionChain::reorder_del2(const std::string& sequence, const std::string& A,
                                                   const int& n) const {
    if (n == 0) return {};
    return reorder_del2_drawn(*this, reorder_tables(*this, sequence, A, false, true), sequence, A, n);
}
