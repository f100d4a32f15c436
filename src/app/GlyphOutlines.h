#pragma once

// Laying out text, Qt loads each glyph for its metrics alone: FreeType reads its outline and fits
// it to the pixel grid (hinting, the costliest part of loading it), and Qt keeps only the figures.
// Drawing the same glyph then loads it again, at its place between pixels, and renders it. Until
// close(), the hinted outline of every glyph loaded is kept, and a glyph loaded again from the same
// face at the same size with the same options is given that outline, moved where the load asked,
// as FreeType would have given it; the rest is FreeType's own loading. The window's first frame
// loads every glyph it draws twice this way.
namespace GlyphOutlines {

// Keeps no outline any more and gives every load to FreeType.
void close();
// How many loads were given a kept outline.
int reused();

} // namespace GlyphOutlines
