// Reduction of a four-channel 8-bit image by any whole factor: each target
// pixel is the mean of its factor x factor block of the source (the blocks at
// the right and bottom edges may be smaller). The workspace copy falls back on
// it when the engine's own scaling cannot do a size.
#ifndef APP_FILES_AVERAGE_REDUCE_H
#define APP_FILES_AVERAGE_REDUCE_H

class QImage;

// Fills every pixel of `target` (Format_ARGB32 or Format_RGB32, at most
// ceil(source size / factor)) from `source` of the same format.
void averageReduce(const QImage& source, QImage& target, int factor);

#endif
