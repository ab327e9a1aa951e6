#include "record/asfind.h"

#include "platform/core/Colors.h"
#include "platform/core/Font.h"

#include <QtGui/QScreen>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

namespace movra {

Tfinddlg::Tfinddlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("finddlg"));
    setWindowTitle(QStringLiteral("Szukanie"));
    setFixedSize(289, 204);
    setSizeGripEnabled(false);
    TFont font(QStringLiteral("Arial"), 10, fsBold);
    font.SetHeight(-13);
    setFont(font.toQFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(clSilver));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* label = new QLabel(QStringLiteral("Szukana fraza:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->move(17, 12);
    label->adjustSize();

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("Search"));
    m_search->setGeometry(128, 8, 137, 24);
    label->setBuddy(m_search);

    m_litery = new QCheckBox(QStringLiteral("Uwzględnij wielkość liter"), this);
    m_litery->setObjectName(QStringLiteral("chkLitery"));
    m_litery->setGeometry(24, 38, 233, 17);

    m_slowa = new QCheckBox(QStringLiteral("Uwzględnij tylko całe wyrazy"), this);
    m_slowa->setObjectName(QStringLiteral("chkSlowa"));
    m_slowa->setGeometry(24, 62, 241, 17);

    m_group = new QGroupBox(this);
    m_group->setObjectName(QStringLiteral("RadioGroup1"));
    m_group->setGeometry(16, 82, 249, 73);
    auto* groupLayout = new QVBoxLayout(m_group);
    m_byRecords = new QRadioButton(QStringLiteral("Szukaj kolejno rekordami"), m_group);
    m_byRecords->setObjectName(QStringLiteral("RadioGroup1Item0"));
    m_byColumns = new QRadioButton(QStringLiteral("Szukaj kolejno kolumnami"), m_group);
    m_byColumns->setObjectName(QStringLiteral("RadioGroup1Item1"));
    groupLayout->addWidget(m_byRecords);
    groupLayout->addWidget(m_byColumns);
    m_byRecords->setChecked(true);

    // "Znajdź" is the default button: Enter searches from the phrase or the options, as a
    // find dialog does anywhere. A focused button is pressed by Enter instead (auto-default).
    m_ok = new QPushButton(QStringLiteral("Znajdź"), this);
    m_ok->setObjectName(QStringLiteral("Button1"));
    m_ok->setGeometry(64, 168, 75, 25);
    m_ok->setAutoDefault(true);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_cancel = new QPushButton(QStringLiteral("Anuluj"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    m_cancel->setGeometry(152, 168, 75, 25);
    m_cancel->setAutoDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_search, m_litery);
    setTabOrder(m_litery, m_slowa);
    setTabOrder(m_slowa, m_byRecords);
    setTabOrder(m_byRecords, m_ok);
    setTabOrder(m_ok, m_cancel);
    m_search->setFocus();
}

QString Tfinddlg::Phrase() const {
    return m_search->text();
}
bool Tfinddlg::MatchCase() const {
    return m_litery->isChecked();
}
bool Tfinddlg::WholeWords() const {
    return m_slowa->isChecked();
}
bool Tfinddlg::SearchByRecords() const {
    return m_byRecords->isChecked();
}
QLineEdit* Tfinddlg::Search() const {
    return m_search;
}
QCheckBox* Tfinddlg::ChkLitery() const {
    return m_litery;
}
QCheckBox* Tfinddlg::ChkSlowa() const {
    return m_slowa;
}
QRadioButton* Tfinddlg::ByRecords() const {
    return m_byRecords;
}
QRadioButton* Tfinddlg::ByColumns() const {
    return m_byColumns;
}

void Tfinddlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
}

} // namespace movra
