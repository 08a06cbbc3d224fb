#include "app/AlertDialog.h"

#include "app/TrayIconArt.h"
#include "l10n/ProductName.h"
#include "windows/DarkLook.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int iconSize = 56;
constexpr int textWidth = 360;

} // namespace

AlertDialog::AlertDialog(const QString& message, const QString& informative, QWidget* parent)
    : AlertDialog(message, informative, WithoutButtons{}, parent) {
    m_buttons->addButton(QDialogButtonBox::Ok)->setDefault(true);
    finish();
}

AlertDialog::AlertDialog(const QString& message, const QString& informative, WithoutButtons,
                         QWidget* parent)
    : QDialog(parent)
    , m_message(new QLabel(message))
    , m_informative(new QLabel(informative))
    , m_accessories(new QVBoxLayout)
    , m_buttons(new QDialogButtonBox) {
    setWindowTitle(productName());

    auto* icon = new QLabel;
    icon->setPixmap(TrayIconArt::pixmap(iconSize, false, devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    icon->setFixedWidth(iconSize + 8);

    QFont bold = m_message->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    m_message->setFont(bold);
    m_message->setWordWrap(true);
    m_informative->setWordWrap(true);
    m_message->setFixedWidth(textWidth);
    m_informative->setFixedWidth(textWidth);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    texts->addWidget(m_message);
    texts->addWidget(m_informative);
    m_accessories->setContentsMargins(0, 6, 0, 0);
    texts->addLayout(m_accessories);
    texts->addStretch();

    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    body->addWidget(icon, 0, Qt::AlignTop);
    body->addLayout(texts, 1);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(18);
    layout->addLayout(body);
    layout->addWidget(m_buttons);
}

QString AlertDialog::message() const {
    return m_message->text();
}

QString AlertDialog::informative() const {
    return m_informative->text();
}

void AlertDialog::addAccessory(QWidget* accessory) {
    m_accessories->addWidget(accessory);
}

void AlertDialog::finish() {
    DarkLook::apply(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}
