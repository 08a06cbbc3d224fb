#include "app/TalkLengthDialog.h"

#include "l10n/L10n.h"
#include "windows/TalkLengthBox.h"

#include <QDialogButtonBox>
#include <QPushButton>

TalkLengthDialog::TalkLengthDialog(qint64 minutes, QWidget* parent)
    : AlertDialog(L10n::lookup(u"Redezeit"),
                  L10n::lookup(u"Wie viele Minuten dauert der Vortrag? Der interne Timer zählt ab "
                               u"dem ersten Klick von dieser Zeit rückwärts."),
                  WithoutButtons{}, parent)
    , m_box(new TalkLengthBox(L10n::lookup(u"Redezeit"))) {
    m_box->setValue(int(minutes));
    addAccessory(m_box);

    QPushButton* ok = buttons()->addButton(QDialogButtonBox::Ok);
    buttons()->addButton(L10n::lookup(u"Abbrechen"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    finish();
    m_box->setFocus();
    m_box->selectAll();
}

int TalkLengthDialog::minutes() const {
    return m_box->value();
}

void TalkLengthDialog::setMinutes(int minutes) {
    m_box->setValue(minutes);
}

void TalkLengthDialog::accept() {
    m_box->interpretText();
    AlertDialog::accept();
}
