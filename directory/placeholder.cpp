// Filled in as the directory export lands.
