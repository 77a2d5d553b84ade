// The search on one port against a board of the test's own, on a clock of the test's own:
// the order the settings are tried in, how each try ends (an answer, noise, a line error,
// silence, a refusal) and the confirmation at the settings a reply names.
#include "finder/port_search.h"

#include <QTest>
#include <deque>
#include <set>

using namespace std::chrono_literals;

namespace {

const PortConfig k9600N1{3, 0, 0};

// A board's main port: the settings it answers at and what it does at any other.
struct Board {
    PortConfig answersAt = k9600N1;
    PortConfig names = k9600N1; // the settings its reply names
    enum Elsewhere { Noise, LineErrors, Silent } elsewhere = Noise;
    bool parityBlind = false;            // answers whatever the parity (a pseudo-terminal)
    std::string reply;                   // instead of the query's reply, when set
    std::chrono::milliseconds delay{10}; // from the query to its answer
    std::chrono::milliseconds pause{0};  // the answer in two halves, this far apart
};

// A board that answers `delay` after the query, in two halves `pause` apart.
Board Slow(Board board, std::chrono::milliseconds delay, std::chrono::milliseconds pause) {
    board.delay = delay;
    board.pause = pause;
    return board;
}

std::string Qx1Reply(const PortConfig& named) {
    return "MOD:0,BAZ:" + std::to_string(named.baud) + std::to_string(named.parity) +
           std::to_string(named.stop) + ",BAA:300,BAB:300,BAC:300,OTM:010,RTM:010,ODM:010#";
}

Board At(PortConfig answersAt, PortConfig names, Board::Elsewhere elsewhere = Board::Noise,
         bool parityBlind = false, std::string reply = {}) {
    return {answersAt, names, elsewhere, parityBlind, std::move(reply), 10ms, 0ms};
}

bool AnswersAt(const Board& board, const PortConfig& line) {
    PortConfig seen = line;
    if (board.parityBlind) seen.parity = board.answersAt.parity;
    return seen == board.answersAt;
}

struct Played {
    TSearchResult result;
    std::chrono::milliseconds elapsed{};
};

struct Due {
    TClock::time_point at;
    std::string bytes; // empty: a line error
};

Played Play(const Board& board, std::vector<PortConfig> order) {
    const TClock::time_point start{};
    TClock::time_point now = start;
    PortConfig line;
    std::deque<Due> due;
    auto answer = [&] {
        if (AnswersAt(board, line)) {
            const std::string reply = board.reply.empty() ? Qx1Reply(board.names) : board.reply;
            const size_t half = board.pause.count() ? reply.size() / 2 : reply.size();
            due.push_back({now + board.delay, reply.substr(0, half)});
            if (half < reply.size())
                due.push_back({now + board.delay + board.pause, reply.substr(half)});
        } else if (board.elsewhere == Board::Noise)
            due.insert(due.end(),
                       {{now + board.delay - 2ms, "\xf8\x80"}, {now + board.delay + 5ms, "\xfe"}});
        else if (board.elsewhere == Board::LineErrors)
            due.push_back({now + board.delay - 2ms, ""});
        return true;
    };
    TPortSearch search(
        std::move(order), [&](const PortConfig& l) { line = l; },
        [&](const std::string&) { return answer(); });
    search.Start(now);
    while (!search.Finished() && now - start < 60s) {
        const std::optional<TClock::time_point> deadline = search.Deadline();
        std::stable_sort(due.begin(), due.end(),
                         [](const Due& a, const Due& b) { return a.at < b.at; });
        if (!due.empty() && (!deadline || due.front().at <= *deadline)) {
            const Due next = due.front();
            due.pop_front();
            now = std::max(now, next.at);
            if (next.bytes.empty())
                search.LineError(now);
            else
                search.Received(next.bytes, now);
            continue;
        }
        if (!deadline) break;
        now = std::max(now, *deadline);
        search.Tick(now);
    }
    return {search.Result(), std::chrono::duration_cast<std::chrono::milliseconds>(now - start)};
}

int Position(const std::vector<PortConfig>& order, const PortConfig& line) {
    return int(std::find(order.begin(), order.end(), line) - order.begin());
}

} // namespace

class TestPortSearch : public QObject {
    Q_OBJECT
private slots:
    void order();
    void search_data();
    void search();
};

void TestPortSearch::order() {
    for (const std::optional<PortConfig> remembered :
         {std::optional<PortConfig>{}, std::optional<PortConfig>{PortConfig{4, 2, 1}},
          std::optional<PortConfig>{PortConfig{9, 0, 0}}}) {
        const std::vector<PortConfig> order = SearchOrder(remembered);
        std::set<std::tuple<int, int, int>> distinct;
        for (const PortConfig& l : order) {
            QVERIFY(IsListedLine(l));
            distinct.insert({l.baud, l.parity, l.stop});
        }
        QCOMPARE(int(distinct.size()), kLineChoiceCount);
        QCOMPARE(int(order.size()), kLineChoiceCount);
        const bool listed = remembered && IsListedLine(*remembered);
        QCOMPARE(order[0], listed ? *remembered : k9600N1);
        QCOMPARE(order[listed ? 1 : 0], k9600N1);
        QCOMPARE(order.back(), (PortConfig{0, 1, 1})); // 1200 Odd 2, the least likely
    }
}

void TestPortSearch::search_data() {
    QTest::addColumn<Board>("board");
    QTest::addColumn<std::optional<PortConfig>>("remembered");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<PortConfig>("at");
    QTest::addColumn<int>("tried"); // -1: the position of `at` in the order, plus one; -2: any
    QTest::addColumn<int>("withinMs");
    const PortConfig n2_57600{6, 0, 1}, o2_1200{0, 1, 1}, e1_9600{3, 2, 0}, e2_19200{4, 2, 1};
    const auto found = int(SearchOutcome::Found);
    const std::optional<PortConfig> none;
    // Noise and line errors end a try long before its first-byte wait: 28 tries in 1.2 s, where
    // waiting for the answer to end on the quiet gap would take 1.6 s.
    QTest::newRow("9600 None 1 at once") << Board{} << none << found << k9600N1 << 1 << 100;
    QTest::newRow("57600 None 2 after noise")
        << At(n2_57600, n2_57600) << none << found << n2_57600 << -1 << 1200;
    QTest::newRow("57600 None 2 after line errors")
        << At(n2_57600, n2_57600, Board::LineErrors) << none << found << n2_57600 << -1 << 1200;
    QTest::newRow("1200 Odd 2, silent elsewhere")
        << At(o2_1200, o2_1200, Board::Silent) << none << found << o2_1200 << 48 << 6000;
    QTest::newRow("nothing behind the port")
        << At({9, 9, 9}, {}, Board::Silent) << none << int(SearchOutcome::Nothing) << PortConfig{}
        << 48 << 6000;
    QTest::newRow("parity unseen: switched to the one named and confirmed")
        << At(e1_9600, e1_9600, Board::Silent, true) << none << found << e1_9600 << 1 << 200;
    QTest::newRow("names settings it does not answer at")
        << At(k9600N1, {4, 0, 0}, Board::Silent) << none << int(SearchOutcome::NamedOther)
        << k9600N1 << 1 << 2100;
    QTest::newRow("refuses the query") << At(k9600N1, k9600N1, Board::Silent, false, "ERR#") << none
                                       << int(SearchOutcome::Refused) << k9600N1 << 1 << 100;
    // A slow board's answer comes during a later try and names its settings; the confirmation
    // waits long enough for it, and is asked again when the late noise of the tries at other
    // settings spoils it. A pause inside an answer shorter than the engine's gap.
    QTest::newRow("a board that answers 150 ms late")
        << Slow(At(k9600N1, k9600N1, Board::Silent), 150ms, 0ms) << none << found << k9600N1 << -2
        << 600;
    QTest::newRow("a board that answers 150 ms late, noise elsewhere")
        << Slow(At(k9600N1, k9600N1), 150ms, 0ms) << none << found << k9600N1 << -2 << 1200;
    QTest::newRow("an answer with a 60 ms pause inside")
        << Slow(At(k9600N1, k9600N1), 10ms, 60ms) << none << found << k9600N1 << 1 << 200;
    QTest::newRow("remembered settings first")
        << At(e2_19200, e2_19200) << std::optional<PortConfig>{e2_19200} << found << e2_19200 << 1
        << 100;
}

void TestPortSearch::search() {
    QFETCH(Board, board);
    QFETCH(std::optional<PortConfig>, remembered);
    QFETCH(int, outcome);
    QFETCH(PortConfig, at);
    QFETCH(int, tried);
    QFETCH(int, withinMs);
    const std::vector<PortConfig> order = SearchOrder(remembered);
    const Played played = Play(board, order);
    QCOMPARE(int(played.result.outcome), outcome);
    if (tried != -2) QCOMPARE(played.result.tried, tried < 0 ? Position(order, at) + 1 : tried);
    if (outcome != int(SearchOutcome::Nothing)) QCOMPARE(played.result.at, at);
    if (outcome == int(SearchOutcome::Found)) QCOMPARE(played.result.named, at);
    QVERIFY2(played.elapsed.count() <= withinMs,
             qPrintable(QString::number(played.elapsed.count())));
}

QTEST_APPLESS_MAIN(TestPortSearch)
#include "test_port_search.moc"
