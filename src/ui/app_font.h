#pragma once
// The font of every text in the window: "Geist" when the system has it (bold
// for semibold and bold, its plain face otherwise), else the system's UI
// font at the requested weight. Sizes are device-independent pixels, never
// points, so text and geometry scale together; CJK text falls back to a CJK
// face. GUI thread.

#include <QFont>

enum class FontWeight { regular, medium, semibold, bold };

QFont appFont(int pixelSize, FontWeight weight);

// Whether the "Geist" family is installed (looked up once).
bool hasGeistFont();
