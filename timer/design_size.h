// The client area the window is designed for: the layout and the display's text band are given
// in its units and scaled to the current client size. Constants only, so that both can use it
// without depending on each other (the layout rebuilds the display's back buffer).
#pragma once

constexpr int design_width = 334;
constexpr int design_height = 182;
