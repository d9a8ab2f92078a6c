#pragma once
// Whether the key of a key release is still held down. An X server repeats a held key as
// release-and-press pairs, and the toolkit does not mark every pair as a repeat; the
// keyboard's own state tells a repeat from the key let go. Elsewhere (no X server) the
// release is taken as it is.

class QKeyEvent;

namespace orl {

bool KeyStillDown(const QKeyEvent* release);

} // namespace orl
