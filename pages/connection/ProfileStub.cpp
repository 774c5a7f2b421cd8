// Placeholder until the profile file lands.
