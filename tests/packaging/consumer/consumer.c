/* Built against an installed Quillet: exits 0 and prints "consumer: ok" only
   when the library it was linked with answers as documented. */
#include <stdio.h>
#include <string.h>

#include "quillet.h"

/* The second names, which the header leaves undeclared. */
QUILLET_API const char* QUILLET_CALL _replace(const char* text, const char* pattern,
                                              const char* replacement, int count);
QUILLET_API const char* QUILLET_CALL _parseBackSlashString(const char* text);

static int failures = 0;

static void expect(const char* what, const char* actual, const char* expected)
{
    if (strcmp(actual, expected) != 0) {
        printf("%s: got \"%s\", expected \"%s\"\n", what, actual, expected);
        ++failures;
    }
}

int main(void)
{
    expect("replace", replace("a-b-c", "-", "+", -1), "a+b+c");
    expect("_replace", _replace("a-b-c", "-", "+", 1), "a+b-c");
    expect("parseBackSlashString", parseBackSlashString("x\\ty\\\\"), "x\ty\\");
    expect("_parseBackSlashString", _parseBackSlashString("\\n"), "\n");
    if (removeFile("no such file here.ini") != 0) {
        printf("removeFile: reported a missing file as deleted\n");
        ++failures;
    }
    if (failures) return 1;
    printf("consumer: ok\n");
    return 0;
}
