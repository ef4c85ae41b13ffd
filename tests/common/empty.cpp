// Keeps the shared test library non-empty before any helper exists.
