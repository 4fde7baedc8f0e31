// Anchor for the foundation library; the areas add their object files.
