#pragma once

#include <QtWidgets/QDialog>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace movra {

// The find dialog "Szukanie": a phrase and three search options. A fresh dialog is made for
// every search, so it always opens in its initial state.
class Tfinddlg : public QDialog {
    Q_OBJECT
public:
    explicit Tfinddlg(QWidget* parent = nullptr);

    [[nodiscard]] QString Phrase() const;       // Search
    [[nodiscard]] bool MatchCase() const;       // chkLitery
    [[nodiscard]] bool WholeWords() const;      // chkSlowa
    [[nodiscard]] bool SearchByRecords() const; // RadioGroup1, first item

    // The controls, by their names, for tests and for scripted answers.
    [[nodiscard]] QLineEdit* Search() const;
    [[nodiscard]] QCheckBox* ChkLitery() const;
    [[nodiscard]] QCheckBox* ChkSlowa() const;
    [[nodiscard]] QRadioButton* ByRecords() const;
    [[nodiscard]] QRadioButton* ByColumns() const;
    [[nodiscard]] QPushButton* Button1() const { return m_ok; }     // "Znajdź"
    [[nodiscard]] QPushButton* Button2() const { return m_cancel; } // "Anuluj"

protected:
    void showEvent(QShowEvent* e) override;

private:
    QLineEdit* m_search = nullptr;
    QCheckBox* m_litery = nullptr;
    QCheckBox* m_slowa = nullptr;
    QRadioButton* m_byRecords = nullptr;
    QRadioButton* m_byColumns = nullptr;
    QGroupBox* m_group = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace movra
