// Filled in as the survey formats land.
