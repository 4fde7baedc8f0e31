// Anchor for the reports library.
