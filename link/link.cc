// Anchor for the link library.
