#pragma once
// What the pages of the settings sheet share: each control is bound to a setup key with the way it
// shows the value (as is, in mm of the X or Y axis, as a list index, as a check box, as a text).
// Opening a page shows the settings; applying writes back only what the operator changed, so a
// page opened and closed never moves a value by a millimetre rounding.
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class CDrvPrint;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;

namespace setup {
struct KeyDef;
}

namespace orvix {

class CNumEdit;

enum class Shown {
    Number,    // the value itself
    XMM,       // X steps shown in mm (XPulseToMM / XMMToPulse)
    YMM,       // Y steps shown in mm (YPulseToMM / YMMToPulse)
    ListIndex, // a list's selection
    ListPlus1, // a list's selection + 1
    Check,     // a check box
    Text,      // a text field
};

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    SettingsPage(CDrvPrint& d, QWidget* parent);
    // Shows the engine's values.
    virtual void load();
    // Writes the changed values back; false (nothing written, the operator told why) when a value
    // cannot be taken.
    virtual bool apply();
    CDrvPrint& engine() { return d_; }

protected:
    struct Binding {
        QWidget* widget = nullptr;
        const setup::KeyDef* key = nullptr;
        Shown shown = Shown::Number;
        QString loaded; // the text shown at the last load
    };
    // Binds a control to SECTION/KEY.
    void bind(QWidget* w, const char* section, const char* key, Shown shown);
    // The control's present value as a text ("1", "25", "abc").
    QString current(const Binding& b) const;
    // The value the setting shows as (mm, list index, ...).
    QString shownValue(const Binding& b);
    void show(Binding& b);
    bool write(const Binding& b);

    // Form helpers: a labelled number field (edit + spin), a check box, a list, a text field.
    CNumEdit* number(QGridLayout* g, int row, int col, const QString& label, int id, float min, float max,
                     int decimals = 0, float step = 1.0f);
    QCheckBox* check(QGridLayout* g, int row, int col, const QString& label, int id);
    QComboBox* list(QGridLayout* g, int row, int col, const QString& label, int id, const QStringList& items);
    QLineEdit* text(QGridLayout* g, int row, int col, const QString& label, int id);

    CDrvPrint& d_;
    std::vector<Binding> bindings_;
};

QString controlName(int id);

} // namespace orvix
