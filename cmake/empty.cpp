// Keeps a library with no other sources buildable.
