import leafweaver.Spreads;
import leafweaver.Turn;

class TurnTests {
	static inline var W = 400.0;
	static inline var H = 500.0;

	static function forwardTurn():Turn
		return new Turn(new Spreads(8, false).planTurn(0, 1), W, H, true);

	public static function run(c:Check) {
		c.group("the turn");
		c.test("a set-up turn settles back where it was", function() {
			var t = forwardTurn();
			c.that(!t.dragging && !t.flying, "held");
			c.that(!t.completes, "does not complete");
		});
		c.test("let go past the middle of the page, a dragged turn completes", function() {
			var t = forwardTurn();
			t.grab(W - 5, H - 5);
			t.dragTo(-W * 0.3, H - 40);
			c.that(t.dragging, "dragging");
			t.letGo(10);
			c.that(t.flying && t.completes, "flies to complete");
		});
		c.test("let go before the middle, it falls back", function() {
			var t = forwardTurn();
			t.grab(W - 5, H - 5);
			t.dragTo(W * 0.8, H - 30);
			t.letGo(10);
			c.that(t.flying && !t.completes, "flies back");
			c.that(t.step(10 + Turn.SECONDS), "a short way back is over within a turn's time");
		});
		c.test("a turn to the left page follows the pointer mirrored", function() {
			var t = new Turn(new Spreads(8, false).planTurn(1, 0), W, H, false);
			t.grab(-W + 5, 5);
			// The pointer moves right, over the spine: in the turn's mirrored
			// coordinates the corner moves left, past the middle.
			t.dragTo(W * 0.7, 20);
			c.that(t.fold.p.x < 0, "corner over the spine: " + t.fold.p.x);
			t.letGo(0);
			c.that(t.completes, "completes");
		});
		c.test("a key's turn flies across the spread in the turn's time, lifting the corner", function() {
			var t = forwardTurn();
			t.fly(true, true, 5);
			c.that(!t.step(5 + Turn.SECONDS / 2), "still flying halfway");
			c.that(t.fold.p.x < W && t.fold.p.x > -W, "corner on its way: " + t.fold.p.x);
			c.that(t.fold.p.y < H, "corner lifted off the bottom edge: " + t.fold.p.y);
			c.that(t.step(5 + Turn.SECONDS + 1e-3), "arrived after the turn's time");
			c.that(t.completes, "completes");
		});
		c.test("with slow frames the turn ends on the frame nearest its end, not the first after it", function() {
			var t = forwardTurn();
			t.fly(true, false, 0);
			var frame = 1 / 12;
			var at = 0.0, steps = 0;
			while (!t.step(at)) {
				at += frame;
				steps++;
			}
			c.that(Math.abs(at - Turn.SECONDS) <= frame / 2 + 1e-9, "ended at " + at + " for a flight of " + Turn.SECONDS);
			c.that(t.completes, "completes");
			var smooth = forwardTurn();
			smooth.fly(true, false, 0);
			var at = 0.0;
			while (at < Turn.SECONDS - 0.01) {
				c.that(!smooth.step(at), "at 60 frames a second still flying at " + at);
				at += 1 / 60;
			}
		});
		c.test("in the single view going back, the page starts turned over and is laid back", function() {
			var s = new Spreads(4, true);
			var t = new Turn(s.planTurn(2, 1), W, H, true);
			c.near(-W, t.fold.p.x, "starts over on the left");
			t.grab(0, H);
			// Half the pointer's way is enough: a single page is half a spread wide.
			t.dragTo(W * 0.8, H);
			c.near(-W + 1.6 * W, t.fold.p.x, "corner moved twice as far", 1e-6);
			t.letGo(0);
			c.that(t.completes, "laid back past the middle completes");
			var short = new Turn(s.planTurn(2, 1), W, H, true);
			short.grab(0, H);
			short.dragTo(W * 0.2, H);
			short.letGo(0);
			c.that(!short.completes, "a short drag falls back over");
			// As far as a forward turn's: a quarter of the page's width.
			var quarter = new Turn(s.planTurn(2, 1), W, H, true);
			quarter.grab(0, H);
			quarter.dragTo(W * 0.3, H);
			quarter.letGo(0);
			c.that(quarter.completes, "a third of the page's width lays it back");
		});
	}
}
