#pragma once

class QIcon;
class QString;

// One of the application's pictures (a toolbar command's, the window's "tomlet", the About
// box's "about-picture") at every size it is drawn at, 16 to 64 pixels, from the pixels drawn
// from its SVG at build time. A name without pictures gives an empty icon.
QIcon IconOf(const QString& name);
