// Anchor for the app library.
