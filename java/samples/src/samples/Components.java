package samples;

import java.awt.Component;
import java.awt.Container;

/** Looks components up by name, the way the samples' read-back helpers address them. */
final class Components {
    private Components() {
    }

    /** The first component of {@code type} named {@code name} under {@code root}, or null. */
    static <T> T find(Container root, String name, Class<T> type) {
        if (root == null || name == null) {
            return null;
        }
        for (Component child : root.getComponents()) {
            if (type.isInstance(child) && name.equals(child.getName())) {
                return type.cast(child);
            }
            if (child instanceof Container) {
                T found = find((Container) child, name, type);
                if (found != null) {
                    return found;
                }
            }
        }
        return null;
    }
}
