#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace sonquill::test {

// The controls of a form whose text does not show whole, or that stick out of the form.
inline QStringList clippedControls(const QWidget *form)
{
    QStringList clipped;
    for (const QWidget *control : form->findChildren<QWidget *>()) {
        const QFontMetrics metrics = control->fontMetrics();
        int neededWidth = 0;
        int neededHeight = 0;
        if (const auto *label = qobject_cast<const QLabel *>(control)) {
            if (label->wordWrap()) {
                neededHeight = label->heightForWidth(label->width());
            } else {
                neededWidth = metrics.horizontalAdvance(label->text());
                neededHeight = metrics.height();
            }
        } else if (const auto *check = qobject_cast<const QCheckBox *>(control)) {
            neededWidth = check->sizeHint().width();
        } else if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
            neededWidth = metrics.horizontalAdvance(QString(button->text()).remove('&'));
            neededHeight = metrics.height();
        } else {
            continue;
        }
        if (control->width() < neededWidth || control->height() < neededHeight ||
            !form->rect().contains(control->geometry()))
            clipped.append(control->objectName());
    }
    return clipped;
}

} // namespace sonquill::test
