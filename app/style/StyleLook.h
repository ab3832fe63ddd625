#pragma once
// A style's classic look: the system colours, sizes and fonts its [SysMetrics] section
// gives, in the terms of the classic look. The theme service sets these when the style is
// applied, and whatever is drawn without the style's bitmaps (menus, edges, text) is drawn
// in them. What the section leaves unsaid is taken from a base look.
//
// The section names the 31 colours by the theme service's names (ActiveCaption,
// BtnFace, DkShadow3d, InfoBk, ...), in the same order as the system's colour indexes; the
// sizes (SizingBorderWidth, ScrollbarWidth, CaptionBarHeight, ...) in pixels; the fonts
// as "Face, points[, bold][, italic]".

#include "StyleIni.h"
#include "appearance/ClassicLook.h"

#include <QFont>

namespace StyleLook {

// The look of Windows before anything is chosen: the Windows Standard colours, the
// standard sizes and Tahoma 8. What a style or a scheme leaves unsaid is drawn in it.
const appearance::ClassicLook& standard();

// The classic look a style's INI data gives, over base.
appearance::ClassicLook fromSysMetrics(const StyleIni& ini, const appearance::ClassicLook& base = standard());

// The name [SysMetrics] gives a system colour (ActiveCaption for ActiveTitle, ...).
const char* sysMetricsColorName(appearance::SysColor color);

// A style's font as the classic look holds it: the character height in pixels at 96 dots
// per inch (points rounded as Windows rounds them), bold as weight 700.
appearance::Font fontOf(const StyleValue::Font& font);
// The font's character height in pixels, held within 1-200.
int pixelSize(const appearance::Font& font);
// The font drawn, at that pixel size; a face the system does not have falls back as Qt
// chooses.
QFont toQFont(const appearance::Font& font);

} // namespace StyleLook
