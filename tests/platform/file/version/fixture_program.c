/* A C program with a version resource, linked with --gc-sections and then
   stripped by the version note test. Nothing refers to the note. */
static int unused_function(void) { return 1; }

int main(void) { return 0 * unused_function(); }
