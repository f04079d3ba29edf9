// Placeholder entry until the start-up checks land.
int main() { return 0; }
