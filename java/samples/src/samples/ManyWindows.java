package samples;

import javax.swing.JFrame;
import javax.swing.JLabel;
import javax.swing.WindowConstants;

/**
 * N small top-level frames, each with its own title ("Window 0" ...) and its own place on the
 * screen, so that a native window can be matched to exactly one of them by title and bounds.
 */
public final class ManyWindows {
    private static final int COLUMNS = 10;
    private static final int WIDTH = 120;
    private static final int HEIGHT = 90;

    private ManyWindows() {
    }

    public static void main(String[] args) {
        int count = Launch.countArgument(args, "samples.ManyWindows N   (N = number of windows, 0 or more)");
        EventThread.run(() -> {
            for (int i = 0; i < count; ++i) {
                create(i).setVisible(true);
            }
        });
        EventThread.settle();
        Launch.announceWindowsOpen();
    }

    /** Must run on the event thread. */
    private static JFrame create(int index) {
        JFrame frame = new JFrame("Window " + index);
        frame.setName("window" + index);
        frame.setDefaultCloseOperation(WindowConstants.DISPOSE_ON_CLOSE);
        // Distinct sizes as well as places, in case the window manager moves a frame.
        frame.setBounds(10 + index % COLUMNS * (WIDTH + 10), 10 + index / COLUMNS * (HEIGHT + 10),
                        WIDTH + index % 7, HEIGHT + index % 5);
        frame.add(new JLabel("Window " + index));
        return frame;
    }
}
