/* The floor of every Apply through Wine: a Windows program that does nothing, started by
 * wine in the same prefix. */
int main(void) {
    return 0;
}
