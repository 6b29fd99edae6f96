#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QSizeF>

class QLabel;
class QString;
class QWidget;

namespace sonquill {

// Windows are designed in twips; 15 twips make one pixel at 96 dots per inch.
int twipsToPixels(int twips);
// A designed length or rectangle in twips, in pixels once the design is enlarged by factor.
int scaledTwips(int twips, double factor);
QRect scaledTwips(const QRect &twips, QSizeF factor);

// A plain-text label named for the design, its text at the top left.
QLabel *makeLabel(QWidget *parent, const char *objectName, const QString &text, bool wrap = false);

// Places controls at their designed positions. The platform's font is usually wider and taller
// than the one the form was designed with, so the whole design is scaled, keeping its
// proportions, until every text fits.
class DesignLayout
{
public:
    // Whether a control's text decides the scale. Editors that are moved over other controls
    // at run time take their size from there, so their designed text does not count.
    enum class Text { Fit, Ignore };

    void place(QWidget *widget, int left, int top, int width, int height, Text text = Text::Fit);
    // How much wider and taller than designed (each at least 1) the design must be.
    QSizeF scale() const;
    // Sets every control's geometry at scale() and returns that scale.
    QSizeF arrange() const;
    // Arranges the controls and sets the form's fixed client size (in twips).
    void apply(QWidget *form, int clientWidth, int clientHeight) const;

private:
    struct Item
    {
        QWidget *widget;
        QRect twips;
        Text text;
    };
    QList<Item> m_items;
};

} // namespace sonquill
