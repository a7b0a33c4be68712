#pragma once

// Figures a benchmark prints: each side of a comparison measured in rounds
// that alternate (A B A B …), so that both sides see the same load of a
// shared machine; a ratio is taken round by round and printed as the median
// of the rounds with their spread (least–most).

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Figures of several rounds: the median, and the spread from least to most.
class Sample {
public:
    void add(double value) { values_ << value; }
    bool isEmpty() const { return values_.isEmpty(); }
    qsizetype size() const { return values_.size(); }
    double median() const;
    // "4.80 s (4.71–5.02)", or "—" without figures.
    QString shown(const QString& unit, int decimals) const;

private:
    QList<double> values_;
};

// One measurement and its floor, taken in the same rounds, and their ratio
// in each round.
struct Pair {
    Sample measured, floor, ratio;
    void add(double m, double f)
    {
        measured.add(m);
        floor.add(f);
        ratio.add(m / f);
    }
};

// One side of a comparison: measures once, giving its figure, or nothing
// when it failed.
using Side = std::function<std::optional<double>()>;

// Runs `rounds` rounds, each measuring every side in turn, and hands each
// whole round's figures (one a side, in order) to `done`. A side that fails
// ends the rounds there; the whole rounds before it stay. Returns whether
// every round was whole.
bool alternate(int rounds, const QList<Side>& sides, const std::function<void(const QList<double>&)>& done);

// The number of rounds: BENCH_ROUNDS when set (at least 1), else `fallback`.
int benchRounds(int fallback = 3);
