// Anchor for the database library.
