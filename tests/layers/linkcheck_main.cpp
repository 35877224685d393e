// The whole of one library, linked with only the libraries below it: a symbol it takes
// from a folder above it leaves the link unresolved, and the build fails.
int main() { return 0; }
