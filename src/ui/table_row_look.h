#pragma once
// How a row of the candidate table looks: plain white, never highlighted,
// with a 1 px line in the border colour along its top edge. GUI thread.

#include <QPainter>
#include <QRect>

void paintTableRowBackground(QPainter& painter, const QRect& rowRect);
