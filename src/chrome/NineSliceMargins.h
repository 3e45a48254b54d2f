#pragma once

namespace quorvane {

// Source rectangle edges of a nine-slice drawing, in image pixels: left and top are the corner size,
// right and bottom where the far corners start.
struct NineSliceMargins
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

} // namespace quorvane
