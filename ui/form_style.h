// The window's style: Fusion, with the metrics the fixed layout was drawn
// for (13-pixel check and radio indicators, 4 pixels before their text, a
// 15-pixel drop-down arrow) and group captions set into the frame's top
// line rather than above it, so members placed a few pixels under a group's
// top edge are not covered.
#pragma once

#include <QProxyStyle>

namespace corvane {

class TFormStyle : public QProxyStyle {
    Q_OBJECT
public:
    TFormStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
};

}  // namespace corvane
