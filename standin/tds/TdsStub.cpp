// Placeholder until the protocol layer lands.
