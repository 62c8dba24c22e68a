package samples;

/** What the sample programs share when they start. */
final class Launch {
    private Launch() {
    }

    /**
     * The program's single argument as a count of 0 or more; anything else prints
     * {@code usage} and ends the program.
     */
    static int countArgument(String[] args, String usage) {
        int count = -1;
        if (args.length == 1) {
            try {
                count = Integer.parseInt(args[0]);
            } catch (NumberFormatException e) {
                count = -1;
            }
        }
        if (count < 0) {
            System.err.println("usage: " + usage);
            System.exit(1);
        }
        return count;
    }

    /**
     * Says that the program's windows are showing and listed as opened: whoever started the
     * JVM waits for this line before it looks for them.
     */
    static void announceWindowsOpen() {
        System.out.println("windows open");
        System.out.flush();
    }
}
