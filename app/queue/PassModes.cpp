#include "queue/PassModes.h"

#include <algorithm>

namespace orvix {

unsigned leadingNumber(const QString& text) {
    unsigned v = 0;
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9') break;
        v = std::min(v * 10 + unsigned(c.unicode() - '0'), 1000000u);
    }
    return v;
}

const QStringList& PassModes::all() {
    static const QStringList modes = {QStringLiteral("1 Pass"), QStringLiteral("2 Pass"),  QStringLiteral("3 Pass"),
                                      QStringLiteral("4 Pass"), QStringLiteral("6 Pass"),  QStringLiteral("8 Pass"),
                                      QStringLiteral("12 Pass"), QStringLiteral("16 Pass")};
    return modes;
}

int PassModes::modeOf(const QString& text) { return all().indexOf(text); }

QString PassModes::textOf(unsigned mode) { return mode < unsigned(all().size()) ? all()[int(mode)] : QString(); }

unsigned PassModes::passCountOf(unsigned mode) { return std::max(1u, leadingNumber(textOf(mode))); }

PassModes::PassModes(const std::string& excluded) : shown_(all()) {
    const QString text = QString::fromStdString(excluded);
    const int last = text.lastIndexOf(QLatin1Char(','));
    if (last < 0) return;
    for (const QString& item : text.left(last).split(QLatin1Char(','))) shown_.removeAll(item);
}

int PassModes::shownIndexOf(unsigned mode) const { return shown_.indexOf(textOf(mode)); }

int PassModes::modeAt(int shownIndex) const {
    return shownIndex >= 0 && shownIndex < shown_.size() ? modeOf(shown_[shownIndex]) : -1;
}

unsigned modeOfRow(const QString& passText, unsigned storedMode) {
    const int m = PassModes::modeOf(passText);
    if (m >= 0) return unsigned(m);
    return std::min(storedMode, unsigned(PassModes::all().size()) - 1);
}

} // namespace orvix
