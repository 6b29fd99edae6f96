#pragma once

#include <QFont>
#include <QList>
#include <QRect>

class QWidget;

namespace sonquill {

// Windows are designed in twips; 15 twips make one pixel at 96 dots per inch.
int twipsToPixels(int twips);

// The designed type ("MS Sans Serif" 8.25 pt): the platform's default GUI font at 8.25 pt.
QFont designFont();

// Places controls at their designed positions. The platform's font is usually wider and taller
// than the one the form was designed with, so the whole design is scaled, keeping its
// proportions, until every text fits.
class DesignLayout
{
public:
    void place(QWidget *widget, int left, int top, int width, int height);
    // Sets every control's geometry and the form's fixed client size (all in twips).
    void apply(QWidget *form, int clientWidth, int clientHeight) const;

private:
    struct Item
    {
        QWidget *widget;
        QRect twips;
    };
    QList<Item> m_items;
};

} // namespace sonquill
