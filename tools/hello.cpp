// Placeholder so that the tools project builds before its first real tool exists.
int main() { return 0; }
