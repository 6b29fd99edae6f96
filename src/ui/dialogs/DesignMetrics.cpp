#include "ui/dialogs/DesignMetrics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace sonquill {

namespace {

int scaled(int twips, double factor)
{
    return static_cast<int>(std::lround(twips / 15.0 * factor));
}

// How much wider and taller than designed a control must be for its text to show whole.
struct Need
{
    double width = 1.0;
    double height = 1.0;
};

Need needOf(const QWidget *widget, QSize designed)
{
    const QFontMetrics metrics = widget->fontMetrics();
    int width = 0;
    int height = 0;
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        if (label->wordWrap())
            return {}; // measured once the width is known
        width = metrics.horizontalAdvance(label->text()) + 2;
        height = metrics.height();
    } else if (const auto *check = qobject_cast<const QCheckBox *>(widget)) {
        width = check->sizeHint().width();
        height = metrics.height();
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        width = metrics.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&'))) + 12;
        height = metrics.height() + 4;
    } else if (qobject_cast<const QLineEdit *>(widget)) {
        height = metrics.height() + 4;
    }
    return {designed.width() > 0 ? double(width) / designed.width() : 1.0,
            designed.height() > 0 ? double(height) / designed.height() : 1.0};
}

} // namespace

int twipsToPixels(int twips)
{
    return scaled(twips, 1.0);
}

QFont designFont()
{
    QFont font = QApplication::font();
    font.setPointSizeF(8.25);
    return font;
}

void DesignLayout::place(QWidget *widget, int left, int top, int width, int height)
{
    m_items.append({widget, QRect(left, top, width, height)});
}

void DesignLayout::apply(QWidget *form, int clientWidth, int clientHeight) const
{
    double horizontal = 1.0;
    double vertical = 1.0;
    for (const Item &item : m_items) {
        const QSize designed(scaled(item.twips.width(), 1.0), scaled(item.twips.height(), 1.0));
        const Need need = needOf(item.widget, designed);
        horizontal = std::max(horizontal, need.width);
        vertical = std::max(vertical, need.height);
    }
    // Wrapped texts take the height their scaled width gives them.
    for (const Item &item : m_items) {
        const auto *label = qobject_cast<const QLabel *>(item.widget);
        if (!label || !label->wordWrap())
            continue;
        const int width = scaled(item.twips.width(), horizontal);
        const int designedHeight = scaled(item.twips.height(), 1.0);
        if (designedHeight > 0)
            vertical = std::max(vertical, double(label->heightForWidth(width)) / designedHeight);
    }
    for (const Item &item : m_items) {
        const QRect &t = item.twips;
        item.widget->setGeometry(scaled(t.left(), horizontal), scaled(t.top(), vertical),
                                 scaled(t.width(), horizontal), scaled(t.height(), vertical));
    }
    form->setFixedSize(scaled(clientWidth, horizontal), scaled(clientHeight, vertical));
}

} // namespace sonquill
