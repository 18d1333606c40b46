// The entry of core_link_check: it calls nothing, so that the link has to resolve every symbol
// of every core object from the core and the system libraries alone.
int main() {
    return 0;
}
