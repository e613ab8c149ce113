// A .NET host: every export of the library declared for P/Invoke, then each
// one called on small files in a temporary folder.
//
// Build and run (mono on Linux; any C# compiler and .NET on Windows):
//   mcs -out:host_dotnet.exe host_dotnet.cs
//   LD_LIBRARY_PATH=build/linux/bin mono host_dotnet.exe
// A 32-bit quillet.dll needs a 32-bit process (x86 platform target), the
// 64-bit DLL a 64-bit one. Prints "host_dotnet: ok" when every call answered
// as documented.
using System;
using System.IO;
using System.Runtime.InteropServices;

// The exports as the library has them: cdecl, texts in as ANSI strings
// (UTF-8 under mono on Linux), texts out as IntPtr. A returned text is the
// library's own buffer: declared as string, the marshaller would free it.
static class Quillet
{
    // quillet.dll on Windows; libquillet.so on Linux.
    const string Library = "quillet";

    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int removeFile(string fileName);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr replace(string text, string pattern, string replacement, int count);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr parseBackSlashString(string text);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int setCodePage(int codePage);

    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int appendFileToOneLineDic(string fileName);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int appendToOneLineDic(string text);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int clearOneLineDic();
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int uniqueOneLineDic();
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int sortOneLineDic();
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int makeINIDB(string fileName, string prefix);

    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int loadINIFile(string fileName);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int writeINIFile(string fileName);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr getSectionList(string fileName, int append);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr getKeyList(string section, string fileName, int append);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int changeSectionName(string oldName, string newName);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int changeKeyName(string section, string oldKey, string newKey);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int moveSection(int from, int to);

    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int loadMultiLineDic(string fileName, string headMarker);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr getMultiLineDicTitle(string fileName);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr searchInMultiLineDic(string searchText, int number);

    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr getCSVField(string record, int fieldNo);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int transCSVToINI(string csvFileName, string iniFileName);
    [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int createINIFromCSVElement(string csvFileName, string iniFileName, string section, int keyField, int valueField, int append);

    // A returned text, copied before the next call overwrites it.
    public static string Text(IntPtr result) { return Marshal.PtrToStringAnsi(result); }
}

static class HostDotnet
{
    static int failures = 0;

    static void Expect(string what, object actual, object expected)
    {
        if (!Equals(actual, expected)) {
            Console.WriteLine("{0}: got [{1}], expected [{2}]", what, actual, expected);
            ++failures;
        }
    }

    static int Main()
    {
        string folder = Path.Combine(Path.GetTempPath(), "quillet-dotnet-" + Guid.NewGuid().ToString("N"));
        Directory.CreateDirectory(folder);
        try {
            Run(folder);
        } finally {
            Directory.Delete(folder, true);
        }
        if (failures > 0) return 1;
        Console.WriteLine("host_dotnet: ok");
        return 0;
    }

    static void Run(string folder)
    {
        Func<string, string> file = name => Path.Combine(folder, name);
        Func<string, string> read = name => File.ReadAllText(file(name));

        Expect("setCodePage", Quillet.setCodePage(1252), 1);
        Expect("replace", Quillet.Text(Quillet.replace("a-b-c", "-", "+", -1)), "a+b+c");
        Expect("parseBackSlashString", Quillet.Text(Quillet.parseBackSlashString("x\\ty")), "x\ty");
        Expect("getCSVField", Quillet.Text(Quillet.getCSVField("1,\"Pear \"\"C\"\"\",2", 2)), "Pear \"C\"");

        File.WriteAllText(file("in.ini"), "; top\n[window]\nwidth=80\nheight=24\n[colours]\nfg=white\n");
        Expect("loadINIFile of a missing file", Quillet.loadINIFile(file("missing.ini")), -1);
        Expect("loadINIFile", Quillet.loadINIFile(file("in.ini")), 2);
        Expect("getSectionList", Quillet.Text(Quillet.getSectionList("", 0)), "window\ncolours");
        Expect("getKeyList", Quillet.Text(Quillet.getKeyList("window", "", 0)), "width\nheight");
        Expect("changeSectionName", Quillet.changeSectionName("colours", "colors"), 1);
        Expect("changeKeyName", Quillet.changeKeyName("window", "width", "columns"), 1);
        Expect("moveSection", Quillet.moveSection(2, 1), 1);
        Expect("writeINIFile", Quillet.writeINIFile(file("out.ini")), 1);
        Expect("the written INI file", read("out.ini"),
               "; top\r\n[colors]\r\nfg=white\r\n[window]\r\ncolumns=80\r\nheight=24\r\n");

        File.WriteAllText(file("words.txt"), "apple\npear\napricot\n");
        Expect("clearOneLineDic", Quillet.clearOneLineDic(), 1);
        Expect("appendToOneLineDic", Quillet.appendToOneLineDic("apple"), 1);
        Expect("appendFileToOneLineDic", Quillet.appendFileToOneLineDic(file("words.txt")), 1);
        Expect("sortOneLineDic", Quillet.sortOneLineDic(), 1);
        Expect("uniqueOneLineDic", Quillet.uniqueOneLineDic(), 1);
        Expect("makeINIDB", Quillet.makeINIDB(file("words.ini"), "ap"), 2);
        Expect("the [word] list", read("words.ini"), "[word]\r\n0=\"apple\"\r\n1=\"apricot\"\r\n");

        File.WriteAllText(file("dic.txt"), "#apple\nA red fruit.\n#pear\nA sweet fruit.\n");
        Expect("loadMultiLineDic", Quillet.loadMultiLineDic(file("dic.txt"), "#"), 2);
        Expect("getMultiLineDicTitle", Quillet.Text(Quillet.getMultiLineDicTitle("")), "#apple\n#pear\n");
        Expect("searchInMultiLineDic", Quillet.Text(Quillet.searchInMultiLineDic("#pear", 1)), "A sweet fruit.\n");

        File.WriteAllText(file("prices.csv"), "apple,100\n\"pear, green\",80\n");
        Expect("transCSVToINI", Quillet.transCSVToINI(file("prices.csv"), file("table.ini")), 1);
        Expect("the [csvinfo] table", read("table.ini").Split('\n')[0], "[csvinfo]\r");
        Expect("createINIFromCSVElement",
               Quillet.createINIFromCSVElement(file("prices.csv"), file("prices.ini"), "prices", 1, 2, 0), 1);
        Expect("the key file", read("prices.ini"), "[prices]\r\napple=\"100\"\r\npear, green=\"80\"\r\n");

        Expect("removeFile", Quillet.removeFile(file("prices.ini")), 1);
        Expect("the removed file is gone", File.Exists(file("prices.ini")), false);
    }
}
