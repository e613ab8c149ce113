/* A host program in plain C: resolves backslash escapes in a settings value
   and replaces text in it, printing each result. */
#include <stdio.h>
#include <string.h>

#include "quillet.h"

int main(int argc, char** argv)
{
    const char* value = argc > 1 ? argv[1] : "path=C:\\\\data\\\\old\\tnext";
    const char* parsed = parseBackSlashString(value);
    printf("escapes resolved: %s\n", parsed);

    /* The result lives in the library's buffer: copy it before the next call. */
    char copy[1024];
    snprintf(copy, sizeof copy, "%s", parsed);
    printf("old -> new:       %s\n", replace(copy, "old", "new", -1));
    return 0;
}
