#include "ui/common/DesignMetrics.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace sonquill {

namespace {

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
        // The text's whole box: with some fonts a line takes more than the font's height.
        const QSize text = metrics.size(Qt::TextShowMnemonic, label->text());
        width = text.width() + 2;
        height = text.height();
    } else if (const auto *check = qobject_cast<const QCheckBox *>(widget)) {
        width = check->sizeHint().width();
        height = metrics.height();
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        width = metrics.horizontalAdvance(QString(button->text()).remove(QLatin1Char('&'))) + 12;
        height = metrics.height() + 4;
    } else if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget)) {
        height = metrics.height() + 4;
    }
    return {designed.width() > 0 ? double(width) / designed.width() : 1.0,
            designed.height() > 0 ? double(height) / designed.height() : 1.0};
}

} // namespace

int scaledTwips(int twips, double factor)
{
    return static_cast<int>(std::lround(twips / 15.0 * factor));
}

QRect scaledTwips(const QRect &twips, QSizeF factor)
{
    return QRect(
        scaledTwips(twips.left(), factor.width()), scaledTwips(twips.top(), factor.height()),
        scaledTwips(twips.width(), factor.width()), scaledTwips(twips.height(), factor.height()));
}

int twipsToPixels(int twips)
{
    return scaledTwips(twips, 1.0);
}

void DesignLayout::place(QWidget *widget, int left, int top, int width, int height, Text text)
{
    m_items.append({widget, QRect(left, top, width, height), text});
}

QSizeF DesignLayout::scale() const
{
    double horizontal = 1.0;
    double vertical = 1.0;
    for (const Item &item : m_items) {
        if (item.text == Text::Ignore)
            continue;
        const Need need = needOf(item.widget, QSize(twipsToPixels(item.twips.width()),
                                                    twipsToPixels(item.twips.height())));
        horizontal = std::max(horizontal, need.width);
        vertical = std::max(vertical, need.height);
    }
    // Wrapped texts take the height their scaled width gives them.
    for (const Item &item : m_items) {
        const auto *label = qobject_cast<const QLabel *>(item.widget);
        if (item.text == Text::Ignore || !label || !label->wordWrap())
            continue;
        const int width = scaledTwips(item.twips.width(), horizontal);
        const int designedHeight = twipsToPixels(item.twips.height());
        if (designedHeight > 0)
            vertical = std::max(vertical, double(label->heightForWidth(width)) / designedHeight);
    }
    return {horizontal, vertical};
}

QSizeF DesignLayout::arrange() const
{
    const QSizeF factor = scale();
    for (const Item &item : m_items)
        item.widget->setGeometry(scaledTwips(item.twips, factor));
    return factor;
}

void DesignLayout::apply(QWidget *form, int clientWidth, int clientHeight) const
{
    const QSizeF factor = arrange();
    form->setFixedSize(scaledTwips(clientWidth, factor.width()),
                       scaledTwips(clientHeight, factor.height()));
}

QLabel *makeLabel(QWidget *parent, const char *objectName, const QString &text, bool wrap)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace sonquill
