#include "app/TimerChooserDialog.h"

#include "l10n/L10n.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int radioWidth = 360;
constexpr int radioHeight = 26;
constexpr int radioSpacing = 8;

} // namespace

TimerChooserDialog::TimerChooserDialog(const QList<TimerChoice>& choices, int selected,
                                       QWidget* parent)
    : AlertDialog(L10n::lookup(u"Timer gefunden"),
                  L10n::lookup(u"Welcher Timer soll im Timer-Fenster angezeigt werden?"),
                  WithoutButtons{}, parent)
    , m_choices(choices)
    , m_group(new QButtonGroup(this)) {
    auto* stack = new QWidget;
    auto* column = new QVBoxLayout(stack);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(radioSpacing);
    for (const TimerChoice& choice : m_choices) {
        // A version text is the server's; an ampersand in it must not become a mnemonic.
        QString text = choice.label();
        auto* radio = new QRadioButton(text.replace(u'&', QStringLiteral("&&")));
        radio->setFixedSize(radioWidth, radioHeight);
        m_group->addButton(radio);
        m_radios.append(radio);
        column->addWidget(radio, 0, Qt::AlignLeft);
    }
    addAccessory(stack);
    select(selected);

    QPushButton* show =
        buttons()->addButton(L10n::lookup(u"Anzeigen"), QDialogButtonBox::AcceptRole);
    buttons()->addButton(L10n::lookup(u"Abbrechen"), QDialogButtonBox::RejectRole);
    show->setDefault(true);
    show->setFocus();
    finish();
}

QStringList TimerChooserDialog::labels() const {
    QStringList texts;
    for (const TimerChoice& choice : m_choices)
        texts << choice.label();
    return texts;
}

int TimerChooserDialog::selectedIndex() const {
    for (qsizetype i = 0; i < m_radios.size(); ++i) {
        if (m_radios[i]->isChecked())
            return int(i);
    }
    return -1;
}

void TimerChooserDialog::select(int row) {
    if (row >= 0 && row < m_radios.size())
        m_radios[row]->setChecked(true);
}

std::optional<TimerChoice> TimerChooserDialog::chosen() const {
    const int row = selectedIndex();
    if (row < 0)
        return std::nullopt;
    return m_choices[row];
}
