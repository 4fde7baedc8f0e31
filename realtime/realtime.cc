// Anchor for the realtime library.
