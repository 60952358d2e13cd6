#pragma once

namespace s::base {

/// Keeps large blocks in the process's heap once they have been given back,
/// instead of returning them to the kernel at every free.
///
/// The preview takes and gives back several picture-sized buffers for every
/// frame (about 6 MB each at 1080p: the converted picture, the BMP, its
/// copies). With the C library's defaults such blocks are mapped afresh and
/// faulted in page by page each time, which costs more than decoding the
/// frame (measured: 55 ms against 2 ms per 1080p picture). Blocks up to
/// 32 MiB now come from the heap, and up to 256 MiB of free heap top is
/// kept. Call once, first thing in main, before other threads start.
void keepLargeBlocksInHeap();

} // namespace s::base
