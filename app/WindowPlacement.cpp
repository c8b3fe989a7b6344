#include "app/WindowPlacement.h"

#include <QtGlobal>

namespace placement {

QRect centredInnerRect(const QRect &workArea, const QMargins &frame, int frameWidth,
                       int innerHeight)
{
    const int frameHeight = innerHeight + frame.top() + frame.bottom();
    const int left = qMax(workArea.left(), workArea.left() + (workArea.width() - frameWidth) / 2);
    const int top = qMax(workArea.top(), workArea.top() + (workArea.height() - frameHeight) / 2);
    return QRect(left + frame.left(), top + frame.top(),
                 frameWidth - frame.left() - frame.right(), innerHeight);
}

QRect fullHeightInnerRect(const QRect &workArea, const QMargins &frame, int frameLeft,
                          int frameWidth)
{
    return QRect(frameLeft + frame.left(), workArea.top() + frame.top(),
                 frameWidth - frame.left() - frame.right(),
                 qMax(1, workArea.height() - frame.top() - frame.bottom()));
}

} // namespace placement
