#pragma once
// The head-alignment page "喷头排列": the material files with their step offsets, bidirectional
// differences and per-head offsets, the base head offsets (basic parameters), the fine adjustment
// and head-moving buttons.
//
// Head X offsets delay a head's firing within a pass: a larger HeadOffsetXR puts its dots further
// right in a left-to-right pass, a larger HeadOffsetXL further left in a right-to-left pass. So
// moving a head's dots left lowers XR and raises XL by one step, moving them right the opposite;
// "纵向YOS+" and "纵向YOS-" raise and lower its Y offset by one. In basic mode the buttons move the
// base offsets (the machine's own alignment), otherwise the chosen material's corrections.
#include <QStringList>

#include "dialogs/SettingsPage.h"
#include "settings/MediaOffset.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace orvix {

class CNumEdit;

// Pass modes 0..7 and the step-offset controls that show them.
inline constexpr int kStepOffsetIds[8] = {1043, 1044, 1045, 1046, 1052, 1048, 1076, 1081};
inline constexpr int kBiDifferenceIds[3] = {1049, 1050, 1051};

class CSetHeadAlignmentDlg : public SettingsPage {
    Q_OBJECT
public:
    CSetHeadAlignmentDlg(CDrvPrint& d, bool basicMode, QWidget* parent = nullptr);
    void load() override;
    bool apply() override;

    // The material names of the Materials folder ("Material-NAME.ini" shown as NAME).
    QStringList materials() const;
    QComboBox* materialList() const { return material_; }
    QComboBox* classList() const { return class_; }
    QComboBox* headCountList() const { return headCount_; }
    QComboBox* headList() const { return head_; }
    bool basicMode() const { return basic_; }

    // Loads a material into the page (the list's choice).
    void chooseMaterial(const QString& name);
    QString chosenMaterial() const { return chosen_; }
    // Enables the first n head rows.
    void enableHeads(int n);

    // Per-head columns: 0..2 material XL, XR, Y; 3..5 base XL, XR, Y.
    CNumEdit* headField(int head, int column) const { return rows_[head].field[column]; }
    QCheckBox* headCheck(int head) const { return rows_[head].check; }

    // The buttons' work.
    void stepOffsetBy(int delta);   // "间隙:  -" (-1), "重叠:  +" (+1)
    void speedValueBy(int delta);   // "<<|  -  |>>" (-1), ">>|  +  |<<" (+1)
    void toggleAll();               // "ALL"
    // Moves a head's dots: dx steps to the right (negative: left), dy steps of Y offset.
    void moveHead(int head, int dx, int dy);
    void moveSelected(int dx, int dy);
    void moveChecked(int dx, int dy);

private:
    struct Row {
        QCheckBox* check = nullptr;
        CNumEdit* field[6] = {};
    };
    void showMaterial();
    void takeClass();
    void showClass();
    void takeMaterial();
    int passMode() const;

    bool basic_;
    QComboBox* material_;
    QComboBox* class_;
    QComboBox* headCount_;
    QComboBox* head_;
    CNumEdit* step_[8];
    CNumEdit* bi_[3];
    Row rows_[kMaxHeads];
    MediaOffset media_;
    QString chosen_;
    int shownClass_ = 0;
};

} // namespace orvix
