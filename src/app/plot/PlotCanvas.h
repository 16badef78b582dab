#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

#include <qcustomplot.h>

// A QCustomPlot drawn straight into a Qt Quick item's picture: QCustomPlot's own replot renders into buffers
// of a window that is never shown, which would cost a second full render per frame. Every plot of the
// program is one of these, styled by applyColors, so that they all look alike in every theme.
class PlotCanvas : public QCustomPlot {
public:
    void drawInto(QCPPainter *painter, const QColor &background) {
        updateLayout();
        painter->fillRect(viewport(), background);
        draw(painter);
    }

    // Draws the plot at `size` into `picture` (kept between frames, so that it is allocated once) and that
    // onto the item's painter.
    void paintItem(QPainter *painter, QImage &picture, const QSize &size, const QColor &background) {
        if (size.isEmpty())
            return;
        if (picture.size() != size)
            picture = QImage(size, QImage::Format_ARGB32_Premultiplied);
        QCPPainter plotPainter(&picture);
        drawInto(&plotPainter, background);
        plotPainter.end();
        painter->drawImage(QPoint(0, 0), picture);
    }

    // The theme's colours on the background, both axes, their grids and the legend.
    void applyColors(const QColor &background, const QColor &text, const QColor &grid) {
        setBackground(QBrush(background));
        for (QCPAxis *axis : {xAxis, yAxis}) {
            axis->setBasePen(QPen(text));
            axis->setTickPen(QPen(text));
            axis->setSubTickPen(QPen(text));
            axis->setLabelColor(text);
            axis->setTickLabelColor(text);
            axis->grid()->setPen(QPen(grid, 0, Qt::DotLine));
        }
        legend->setBrush(QBrush(background));
        legend->setTextColor(text);
        legend->setBorderPen(QPen(text));
    }
};
