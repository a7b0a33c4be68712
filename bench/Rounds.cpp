#include "Rounds.h"

#include <algorithm>

double Sample::median() const
{
    QList<double> v = values_;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    if (n == 0)
        return 0;
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString Sample::shown(const QString& unit, int decimals) const
{
    if (values_.isEmpty())
        return QStringLiteral("—");
    const auto [low, high] = std::minmax_element(values_.begin(), values_.end());
    auto n = [&](double x) { return QString::number(x, 'f', decimals); };
    return n(median()) + unit + QStringLiteral(" (") + n(*low) + QStringLiteral("–") + n(*high) + QStringLiteral(")");
}

bool alternate(int rounds, const QList<Side>& sides, const std::function<void(const QList<double>&)>& done)
{
    for (int round = 0; round < rounds; ++round) {
        QList<double> figures;
        for (const Side& side : sides) {
            const std::optional<double> figure = side();
            if (!figure)
                return false;
            figures << *figure;
        }
        done(figures);
    }
    return true;
}

int benchRounds(int fallback)
{
    bool ok = false;
    const int rounds = qEnvironmentVariableIntValue("BENCH_ROUNDS", &ok);
    return ok ? std::max(1, rounds) : fallback;
}
