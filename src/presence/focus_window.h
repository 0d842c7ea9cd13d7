#pragma once

class QPainter;

// Paints the focus label over the 3D view (an overlay of the view).
void focus_window_paint(QPainter* painter);
