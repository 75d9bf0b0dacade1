// PLACEHOLDER: replaced by the kinetra-fit command.
int main() { return 0; }
