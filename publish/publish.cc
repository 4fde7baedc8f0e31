// Anchor for the publish library.
