// The renderer's drawing target on the real device: the gfx_ primitives on
// the current DC (window, off-screen bitmap or printer page).
#pragma once

class RenderTarget;

RenderTarget& render_gdi_target();
