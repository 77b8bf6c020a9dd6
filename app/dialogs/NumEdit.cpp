#include "dialogs/NumEdit.h"

#include <QKeyEvent>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Prompter.h"

namespace orvix {

QString outOfRangeMessage() { return QStringLiteral("Given value is out of range.\n"); }
QString notANumberMessage() { return QStringLiteral("Characters must be a number.\n"); }

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) { setText(Format(0.0f)); }

void CNumEdit::SetRange(float min, float max) {
    min_ = min;
    max_ = max;
}

void CNumEdit::SetDecimals(int n) {
    if (n > decimals_) decimals_ = std::min(n, 9);
}

int CNumEdit::Check(const QString& text) const {
    // A number, then nothing but blanks: what reading "%f" and then a rest would accept.
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    char* end = nullptr;
    const float v = std::strtof(p, &end);
    if (end == p || std::isnan(v)) return kNotANumber;
    if (v > max_ || v < min_) return kOutOfRange;
    while (*end == ' ' || *end == '\t') ++end;
    // A character Latin-1 cannot hold became '?': never a valid rest.
    return *end || text.size() != bytes.size() ? kNotANumber : kValid;
}

int CNumEdit::Verify(const QString& text) const {
    const int r = Check(text);
    if (r != kValid && showMessages_)
        platform::messageBox((r == kOutOfRange ? outOfRangeMessage() : notANumberMessage()).toStdString());
    return r;
}

float CNumEdit::GetValue() const {
    if (Check(text()) != kValid) return 0.0f;
    return std::strtof(text().toLatin1().constData(), nullptr);
}

QString CNumEdit::Format(float x) {
    char g[64];
    std::snprintf(g, sizeof g, "%G", double(x));
    if (const char* dot = std::strchr(g, '.')) {
        // "%G" may end in an exponent: only the digits count.
        int n = 0;
        for (const char* c = dot + 1; *c >= '0' && *c <= '9'; ++c) ++n;
        SetDecimals(n);
    }
    char out[400];
    std::snprintf(out, sizeof out, "%.*f", decimals_, double(x));
    return QString::fromLatin1(out);
}

bool CNumEdit::SetValue(float x) {
    if (x > max_ || x < min_ || std::isnan(x)) return false;
    setText(Format(x));
    return true;
}

void CNumEdit::ChangeBy(int n) {
    float v = GetValue() + float(n) * step_;
    v = std::fmin(std::fmax(v, min_), max_);
    SetValue(v);
}

void CNumEdit::keyPressEvent(QKeyEvent* e) {
    const QString typed = e->text();
    // Only characters go through the check; keys that move or delete act as usual.
    if (typed.isEmpty() || !typed.at(0).isPrint() || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (typed == QLatin1String(" ")) return;
    const QString oldText = text();
    const float old = GetValue();
    QLineEdit::keyPressEvent(e);
    if (Verify(text()) != kValid) {
        // The old value comes back whole, ready to be typed over.
        if (Check(oldText) != kValid || !SetValue(old)) setText(oldText);
        selectAll();
        return;
    }
    // The decimals follow what was typed; the text itself stays as typed.
    Format(GetValue());
}

} // namespace orvix
