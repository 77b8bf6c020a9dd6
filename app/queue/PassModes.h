#pragma once
// The pass modes in their three forms: the text a list or a queue row shows ("3 Pass"), the mode
// index the engine keeps (PRINTMODE uiPass: the place among every mode the machine knows), and the
// place in a list that leaves modes out (PRINTMODE csPassMode). Everything that shows or takes a
// pass mode maps between them here, so a list that leaves modes out never shifts one.
#include <QString>
#include <QStringList>

#include <string>

namespace orvix {

// The number a text begins with ("12 Pass" -> 12); 0 when it begins with none.
unsigned leadingNumber(const QString& text);

class PassModes {
public:
    // Every mode the machine knows, in the order of their mode indexes.
    static const QStringList& all();
    // The mode index of a text; -1 when no mode has that text.
    static int modeOf(const QString& text);
    // The text of a mode index; "" for none.
    static QString textOf(unsigned mode);
    // The passes a mode prints with; 1 for an unknown mode.
    static unsigned passCountOf(unsigned mode);

    // The modes offered: every mode less those `excluded` names, in csPassMode's form ("a,b,":
    // each text before a "," removes the mode of that text; what follows the last "," is not used).
    explicit PassModes(const std::string& excluded = {});
    const QStringList& shown() const { return shown_; }
    // The place of a mode in the shown list; -1 when the list leaves it out.
    int shownIndexOf(unsigned mode) const;
    // The mode of a place in the shown list; -1 for no place.
    int modeAt(int shownIndex) const;

private:
    QStringList shown_;
};

// The mode of a queue row or job record: the mode its text names; a text that names none (an old
// or hand-edited row) falls back to the stored index, held within the known modes.
unsigned modeOfRow(const QString& passText, unsigned storedMode);

} // namespace orvix
