#include "ui/form_style.h"

#include <qdrawutil.h>

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace corvane {

namespace {

constexpr int kIndicatorSize = 13;
constexpr int kIndicatorSpacing = 4;
constexpr int kCaptionLeft = 8;
constexpr int kCaptionPadding = 2;
// Fusion's drop-down arrow is 19 pixels wide; the layout's boxes are narrow,
// so it is given the spin buttons' 15 and the text the rest.
constexpr int kComboArrowNarrowing = 19 - 15;

QRect CaptionRect(const QStyleOptionGroupBox& box) {
    const QFontMetrics& fm = box.fontMetrics;
    if (box.text.isEmpty()) return {};
    return QRect(box.rect.left() + kCaptionLeft, box.rect.top(),
                 fm.horizontalAdvance(box.text) + 2 * kCaptionPadding, fm.height());
}

}  // namespace

TFormStyle::TFormStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int TFormStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
            return kIndicatorSize;
        case PM_CheckBoxLabelSpacing:
        case PM_RadioButtonLabelSpacing:
            return kIndicatorSpacing;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QRect TFormStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                 const QWidget* widget) const {
    if (control == CC_GroupBox) {
        if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option)) {
            const int half = box->fontMetrics.height() / 2;
            switch (sub) {
                case SC_GroupBoxFrame:
                    return box->rect.adjusted(0, half, 0, 0);
                case SC_GroupBoxLabel:
                    return CaptionRect(*box);
                case SC_GroupBoxContents:
                    return box->rect.adjusted(1, box->fontMetrics.height(), -1, -1);
                default:
                    break;
            }
        }
    }
    if (control == CC_ComboBox && (sub == SC_ComboBoxArrow || sub == SC_ComboBoxEditField)) {
        QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
        if (sub == SC_ComboBoxArrow)
            rect.setLeft(rect.left() + kComboArrowNarrowing);
        else
            rect.setWidth(rect.width() + kComboArrowNarrowing);
        return rect;
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
}

void TFormStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box || (box->subControls & SC_GroupBoxCheckBox)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QRect caption = CaptionRect(*box);
    if (box->subControls & SC_GroupBoxFrame) {
        // Drawn here: Fusion's group frame leaves room for a caption above it.
        painter->save();
        QRegion region(box->rect);
        if (!caption.isEmpty()) region -= caption;
        painter->setClipRegion(region);
        qDrawShadeRect(painter, subControlRect(CC_GroupBox, box, SC_GroupBoxFrame, widget), box->palette,
                       true, 1);
        painter->restore();
    }
    if ((box->subControls & SC_GroupBoxLabel) && !caption.isEmpty()) {
        const QColor color = box->textColor;
        painter->save();
        if (color.isValid() && (box->state & State_Enabled)) painter->setPen(color);
        proxy()->drawItemText(painter, caption.adjusted(kCaptionPadding, 0, 0, 0),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->palette,
                              box->state & State_Enabled, box->text,
                              color.isValid() ? QPalette::NoRole : QPalette::WindowText);
        painter->restore();
    }
}

}  // namespace corvane
