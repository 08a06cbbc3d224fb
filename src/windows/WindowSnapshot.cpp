#include "windows/WindowSnapshot.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace WindowSnapshot {

namespace {

struct Entry {
    QRect rect;
    QJsonObject control;
};

QJsonObject control(const QString& kind, const QString& text, const QWidget* widget) {
    return QJsonObject{{QStringLiteral("kind"), kind},
                       {QStringLiteral("text"), text},
                       {QStringLiteral("enabled"), widget->isEnabled()}};
}

QJsonArray rowsOf(const QAbstractItemView* view) {
    QJsonArray rows;
    const QAbstractItemModel* model = view->model();
    if (!model)
        return rows;
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
        const QModelIndex index = model->index(row, 0, view->rootIndex());
        QJsonObject entry{{QStringLiteral("text"), index.data(Qt::DisplayRole).toString()},
                          {QStringLiteral("selected"),
                           view->selectionModel() && view->selectionModel()->isSelected(index)}};
        // A check mark on a row says "this is the one in use".
        if (index.data(Qt::CheckStateRole).isValid())
            entry.insert(QStringLiteral("current"),
                         index.data(Qt::CheckStateRole).toInt() == Qt::Checked);
        rows.append(entry);
    }
    return rows;
}

// The description of one widget, or nothing when it is not a control of its own (a layout
// container, the line edit inside a picker or a number box, a progress bar).
std::optional<QJsonObject> describeWidget(const QWidget* widget) {
    if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
        QJsonObject c = control(QStringLiteral("switch"), box->text(), box);
        c.insert(QStringLiteral("checked"), box->isChecked());
        return c;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return control(QStringLiteral("button"), button->text(), button);
    if (const auto* slider = qobject_cast<const QSlider*>(widget)) {
        QJsonObject c = control(QStringLiteral("slider"), slider->accessibleName(), slider);
        const int span = slider->maximum() - slider->minimum();
        c.insert(QStringLiteral("value"),
                 span > 0 ? double(slider->value() - slider->minimum()) / span : 0.0);
        return c;
    }
    if (const auto* field = qobject_cast<const QLineEdit*>(widget)) {
        QJsonObject c = control(QStringLiteral("field"), field->accessibleName(), field);
        if (!field->placeholderText().isEmpty())
            c.insert(QStringLiteral("placeholder"), field->placeholderText());
        if (field->echoMode() == QLineEdit::Normal)
            c.insert(QStringLiteral("value"), field->text());
        else
            c.insert(QStringLiteral("masked"), true);
        return c;
    }
    if (const auto* box = qobject_cast<const QAbstractSpinBox*>(widget)) {
        QJsonObject c = control(QStringLiteral("field"), box->accessibleName(), box);
        c.insert(QStringLiteral("value"), box->text());
        return c;
    }
    if (const auto* picker = qobject_cast<const QComboBox*>(widget)) {
        QJsonObject c = control(QStringLiteral("picker"), picker->accessibleName(), picker);
        c.insert(QStringLiteral("value"), picker->currentText());
        QJsonArray items;
        for (int i = 0; i < picker->count(); ++i)
            items.append(picker->itemText(i));
        c.insert(QStringLiteral("items"), items);
        return c;
    }
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        QJsonObject c = control(QStringLiteral("list"), view->accessibleName(), view);
        c.insert(QStringLiteral("rows"), rowsOf(view));
        return c;
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (label->text().isEmpty())
            return std::nullopt;
        return control(QStringLiteral("label"), label->text(), label);
    }
    return std::nullopt;
}

// Whether the widget belongs to a control described as a whole (the parts of a picker,
// the viewport of a list).
bool insideDescribedControl(const QWidget* widget, const QWidget* window) {
    for (const QWidget* p = widget->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractItemView*>(p) ||
            qobject_cast<const QLineEdit*>(p) || qobject_cast<const QAbstractButton*>(p) ||
            qobject_cast<const QAbstractSpinBox*>(p))
            return true;
    return false;
}

// Rows top to bottom, each left to right: a widget joins a row when the two overlap
// vertically at the other's centre line.
void sortVisually(QList<Entry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.rect.center().y() < b.rect.center().y();
    });
    qsizetype start = 0;
    while (start < entries.size()) {
        const QRect anchor = entries[start].rect;
        qsizetype end = start + 1;
        while (end < entries.size()) {
            const QRect r = entries[end].rect;
            const bool sameRow =
                (r.top() <= anchor.center().y() && anchor.center().y() <= r.bottom()) ||
                (anchor.top() <= r.center().y() && r.center().y() <= anchor.bottom());
            if (!sameRow)
                break;
            ++end;
        }
        std::stable_sort(
            entries.begin() + start, entries.begin() + end,
            [](const Entry& a, const Entry& b) { return a.rect.left() < b.rect.left(); });
        start = end;
    }
}

QImage render(QWidget* window) {
    // As crisp as on a high-density screen.
    constexpr qreal devicePixelRatio = 2.0;
    QImage image(window->size() * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(window->palette().color(QPalette::Window));
    window->render(&image);
    return image;
}

} // namespace

QJsonObject describe(const QWidget* window) {
    QList<Entry> entries;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->isWindow() || !widget->isVisibleTo(window) ||
            insideDescribedControl(widget, window))
            continue;
        const QRect rect(widget->mapTo(window, QPoint()), widget->size());
        if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            // A group's title is visible text above its content.
            if (!group->title().isEmpty())
                entries.append(
                    {QRect(rect.topLeft(), QSize(rect.width(), group->fontMetrics().height())),
                     control(QStringLiteral("label"), group->title(), group)});
            continue;
        }
        if (std::optional<QJsonObject> described = describeWidget(widget))
            entries.append({rect, *described});
    }
    sortVisually(entries);
    QJsonArray controls;
    for (const Entry& entry : entries)
        controls.append(entry.control);
    return QJsonObject{{QStringLiteral("title"), window->windowTitle()},
                       {QStringLiteral("width"), window->width()},
                       {QStringLiteral("height"), window->height()},
                       {QStringLiteral("controls"), controls}};
}

bool write(QWidget* window, const QDir& folder, const QString& name) {
    const QString base = QStringLiteral("window-") + name;
    const bool pictureWritten = render(window).save(folder.filePath(base + QStringLiteral(".png")));
    QFile file(folder.filePath(base + QStringLiteral(".json")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QJsonDocument(describe(window)).toJson(QJsonDocument::Compact) + '\n');
    return pictureWritten;
}

} // namespace WindowSnapshot
