package leafweaver;

/**
	The frame rate the player asks for. The runtime draws the whole stage at
	every frame, moving or not, so a book at rest runs slowly and a book that
	moves (a turn, a drag, a page loading, the pointer or a key just used)
	runs at full rate, and stays there a little while after, so that what a
	move sets off is drawn smoothly too.
**/
class Pace {
	public static inline var ACTIVE:Float = 60;
	public static inline var IDLE:Float = 0.5;
	/** Seconds at full rate after the last sign of movement. */
	public static inline var LINGER:Float = 0.75;

	var lastActive:Float = Math.NEGATIVE_INFINITY;

	public function new() {}

	/** Notes movement (input) at `now`, in seconds. */
	public function stir(now:Float)
		lastActive = Math.max(lastActive, now);

	/** The frame rate for `now`; `moving` tells whether anything animates right now. */
	public function rate(now:Float, moving:Bool):Float {
		if (moving)
			stir(now);
		return now - lastActive < LINGER ? ACTIVE : IDLE;
	}
}
