// Filled in as the refresh run lands.
