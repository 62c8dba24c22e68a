package com.morvane;

/**
 * JSON text as the snapshot clients compare it byte for byte: strings in double quotes with
 * {@code \" \\ \n \r \t} escaped by name, every other control character as {@code \}{@code u00xx}
 * (lower-case hex), everything else as it is; null as {@code null}.
 */
final class JsonText {
    private static final char[] HEX = "0123456789abcdef".toCharArray();

    private JsonText() {
    }

    static void appendString(StringBuilder out, String text) {
        if (text == null) {
            out.append("null");
            return;
        }
        out.append('"');
        for (int i = 0; i < text.length(); ++i) {
            char c = text.charAt(i);
            switch (c) {
                case '"': out.append("\\\""); break;
                case '\\': out.append("\\\\"); break;
                case '\n': out.append("\\n"); break;
                case '\r': out.append("\\r"); break;
                case '\t': out.append("\\t"); break;
                default:
                    if (c < 0x20) {
                        out.append("\\u00").append(HEX[c >> 4]).append(HEX[c & 0xF]);
                    } else {
                        out.append(c);
                    }
            }
        }
        out.append('"');
    }
}
