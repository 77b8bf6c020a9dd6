#include "dialogs/SettingsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <cmath>

#include "core/DrvPrint.h"
#include "dialogs/NumEdit.h"
#include "dialogs/NumSpinCtrl.h"
#include "settings/SetupSchema.h"

namespace orvix {

QString controlName(int id) { return QStringLiteral("c%1").arg(id); }

SettingsPage::SettingsPage(CDrvPrint& d, QWidget* parent) : QWidget(parent), d_(d) {}

void SettingsPage::bind(QWidget* w, const char* section, const char* key, Shown shown) {
    Binding b;
    b.widget = w;
    b.key = setup::findKey(section, key);
    b.shown = shown;
    Q_ASSERT(b.key);
    bindings_.push_back(b);
}

QString SettingsPage::shownValue(const Binding& b) {
    SetupSettings& s = d_;
    const long long v = setup::getInt(*b.key, s);
    switch (b.shown) {
    case Shown::XMM: return QString::number(d_.XPulseToMM(static_cast<int32_t>(v)));
    case Shown::YMM: return QString::number(d_.YPulseToMM(static_cast<int32_t>(v)));
    case Shown::ListPlus1: return QString::number(v - 1);
    case Shown::Text: return QString::fromStdString(setup::fileText(*b.key, s));
    case Shown::Number:
        if (b.key->store == setup::Store::Float) return QString::fromStdString(setup::displayText(*b.key, s));
        return QString::number(v);
    default: return QString::number(v);
    }
}

void SettingsPage::show(Binding& b) {
    const QString v = shownValue(b);
    if (auto* e = qobject_cast<CNumEdit*>(b.widget)) {
        if (!e->SetValue(v.toFloat())) e->setText(v); // outside the field's range: shown as it is
    } else if (auto* c = qobject_cast<QCheckBox*>(b.widget)) {
        c->setChecked(v.toLongLong() != 0);
    } else if (auto* l = qobject_cast<QComboBox*>(b.widget)) {
        l->setCurrentIndex(v.toInt() >= 0 && v.toInt() < l->count() ? v.toInt() : -1);
    } else if (auto* t = qobject_cast<QLineEdit*>(b.widget)) {
        t->setText(v);
    }
    b.loaded = current(b);
}

QString SettingsPage::current(const Binding& b) const {
    if (auto* e = qobject_cast<CNumEdit*>(b.widget)) return e->text();
    if (auto* c = qobject_cast<QCheckBox*>(b.widget)) return c->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* l = qobject_cast<QComboBox*>(b.widget)) return QString::number(l->currentIndex());
    if (auto* t = qobject_cast<QLineEdit*>(b.widget)) return t->text();
    return {};
}

bool SettingsPage::write(const Binding& b) {
    const QString now = current(b);
    if (now == b.loaded) return true; // untouched: the setting keeps its exact value
    SetupSettings& s = d_;
    std::string text;
    switch (b.shown) {
    case Shown::XMM: text = std::to_string(d_.XMMToPulse(static_cast<int32_t>(std::lround(now.toDouble())))); break;
    case Shown::YMM: text = std::to_string(d_.YMMToPulse(static_cast<int32_t>(std::lround(now.toDouble())))); break;
    case Shown::ListIndex:
        if (now.toInt() < 0) return true;
        text = now.toStdString();
        break;
    case Shown::ListPlus1:
        if (now.toInt() < 0) return true;
        text = std::to_string(now.toInt() + 1);
        break;
    case Shown::Number:
        if (auto* e = qobject_cast<CNumEdit*>(b.widget); e && e->Check(now) != CNumEdit::kValid) return false;
        text = b.key->store == setup::Store::Float ? now.trimmed().toStdString()
                                                  : std::to_string(std::llround(now.toDouble()));
        break;
    default: text = now.toStdString(); break;
    }
    return setup::setText(*b.key, s, text);
}

void SettingsPage::load() {
    for (Binding& b : bindings_) show(b);
}

bool SettingsPage::apply() {
    // Every changed number is checked before anything is written: all or nothing.
    for (const Binding& b : bindings_) {
        auto* e = qobject_cast<CNumEdit*>(b.widget);
        if (e && current(b) != b.loaded && e->Verify() != CNumEdit::kValid) {
            e->setFocus();
            e->selectAll();
            return false;
        }
    }
    bool ok = true;
    for (const Binding& b : bindings_) ok = write(b) && ok;
    // What was written is what the page shows from now on.
    for (Binding& b : bindings_) b.loaded = current(b);
    return ok;
}

namespace {
QLabel* label(QGridLayout* g, int row, int col, const QString& text) {
    auto* l = new QLabel(text, g->parentWidget());
    g->addWidget(l, row, col);
    return l;
}
} // namespace

CNumEdit* SettingsPage::number(QGridLayout* g, int row, int col, const QString& text, int id, float min, float max,
                               int decimals, float step) {
    if (!text.isEmpty()) label(g, row, col, text);
    NumField f = makeNumField(g->parentWidget(), controlName(id), min, max, step, decimals);
    g->addWidget(f.box, row, col + 1);
    return f.edit;
}

QCheckBox* SettingsPage::check(QGridLayout* g, int row, int col, const QString& text, int id) {
    auto* c = new QCheckBox(text, g->parentWidget());
    c->setObjectName(controlName(id));
    g->addWidget(c, row, col, 1, 2);
    return c;
}

QComboBox* SettingsPage::list(QGridLayout* g, int row, int col, const QString& text, int id, const QStringList& items) {
    if (!text.isEmpty()) label(g, row, col, text);
    auto* c = new QComboBox(g->parentWidget());
    c->setObjectName(controlName(id));
    c->addItems(items);
    g->addWidget(c, row, col + 1);
    return c;
}

QLineEdit* SettingsPage::text(QGridLayout* g, int row, int col, const QString& text, int id) {
    if (!text.isEmpty()) label(g, row, col, text);
    auto* e = new QLineEdit(g->parentWidget());
    e->setObjectName(controlName(id));
    g->addWidget(e, row, col + 1);
    return e;
}

} // namespace orvix
