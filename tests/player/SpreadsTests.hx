import leafweaver.Spreads;

class SpreadsTests {
	/** The places met going forward from the front, as page-box labels: "1 | 2-3 | 4". */
	static function forward(s:Spreads):String {
		var at = 0, out = [s.label(0)];
		while (s.canGoForward(at)) {
			at = s.nextPlace(at);
			out.push(s.label(at));
		}
		return out.join(" | ");
	}

	/** The same, going back from the last place, listed front first. */
	static function backward(s:Spreads):String {
		var at = s.lastPlace(), out = [s.label(at)];
		while (s.canGoBack(at)) {
			at = s.previousPlace(at);
			out.unshift(s.label(at));
		}
		return out.join(" | ");
	}

	/** 1-based page numbers, for comparing with what the reader sees. */
	static function numbers(pages:Array<Int>):Array<Int>
		return [for (p in pages) p + 1];

	public static function run(c:Check) {
		c.group("spreads and places");
		c.test("an even count ends on a page of its own", function() {
			var s = new Spreads(4, false);
			c.equal("1 | 2-3 | 4", forward(s), "forward");
			c.equal(forward(s), backward(s), "backward");
			c.equal("[4]", numbers(s.visible(s.lastPlace())), "last place");
		});
		c.test("an odd count ends on a full spread", function() {
			var s = new Spreads(7, false);
			c.equal("1 | 2-3 | 4-5 | 6-7", forward(s), "forward");
			c.equal(forward(s), backward(s), "backward");
		});
		c.test("one page, and none", function() {
			var one = new Spreads(1, false);
			c.equal("1", forward(one), "one page");
			c.that(!one.canGoBack(0) && !one.canGoForward(0), "one page goes nowhere");
			var none = new Spreads(0, false);
			c.equal("[]", none.visible(0), "nothing on view");
			c.equal("", none.label(0), "empty page box");
			c.that(!none.canGoForward(0), "an empty book goes nowhere");
		});
		c.test("the single-page view steps one page at a time", function() {
			c.equal("1 | 2 | 3 | 4", forward(new Spreads(4, true)), "even");
			c.equal("1 | 2 | 3", backward(new Spreads(3, true)), "odd, backward");
		});
		c.test("stepping past either end leaves the book", function() {
			for (n in [4, 5]) {
				var s = new Spreads(n, false);
				c.that(s.previousPlace(0) == 0, n + " pages: back from the front stays put");
				c.that(s.nextPlace(s.lastPlace()) >= n, n + " pages: on from the last place is past the end");
			}
		});
		c.test("a typed number opens its spread, clamped to the book", function() {
			var s = new Spreads(8, false);
			c.equal("4-5", s.label(s.placeOfNumber(5)), "page 5");
			c.equal("4-5", s.label(s.placeOfNumber(4)), "page 4");
			c.equal("1", s.label(s.placeOfNumber(0)), "page 0");
			c.equal("8", s.label(s.placeOfNumber(99)), "page 99");
			c.equal("5", new Spreads(8, true).label(new Spreads(8, true).placeOfNumber(5)), "page 5, single view");
		});
		c.test("changing the view keeps the page in view", function() {
			var double = new Spreads(8, false), single = new Spreads(8, true);
			for (p in 0...8) {
				c.that(double.visible(double.placeOf(p)).indexOf(p) >= 0, "page " + (p + 1) + " in the spread view");
				c.equal("[" + p + "]", single.visible(single.placeOf(p)), "page " + (p + 1) + " in the single view");
			}
		});

		c.group("the page window");
		c.test("the open spread and two on either side, nearest first", function() {
			var s = new Spreads(60, false);
			var front = s.window(0, 2, []);
			c.equal("[1,2,3,4,5]", numbers(front), "at the front");
			var end = s.window(s.lastPlace(), 2, []);
			c.equal("[60,58,59,56,57]", numbers(end), "at the end");
			var middle = s.window(s.placeOfNumber(20), 2, []);
			c.equal("[20,21,22,23,18,19,24,25,16,17]", numbers(middle), "in the middle");
		});
		c.test("a turn's leaves come right after the pages on view, each page once", function() {
			var s = new Spreads(60, false);
			var w = s.window(s.placeOfNumber(20), 2, [18, 19, 20, Spreads.BLANK, 70]);
			c.equal("[20,21,19,22,23,18,24,25,16,17]", numbers(w), "order");
		});
		c.test("the spread on view loads first, then one neighbouring spread at a time", function() {
			var s = new Spreads(60, false);
			var front = s.loadGroups(0, 2, []);
			c.equal("[1] [2,3] [4,5]", [for (g in front) numbers(g)].join(" "), "at the front");
			var turning = s.loadGroups(s.placeOfNumber(20), 2, [21, 22, 19]);
			c.equal("[20,21,22,23] [18,19] [24,25] [16,17]", [for (g in turning) numbers(g)].join(" "), "during a turn");
			var single = new Spreads(5, true).loadGroups(4, 2, []);
			c.equal("[5] [4] [2,3] [1]", [for (g in single) numbers(g)].join(" "), "single pages at the end");
		});

		c.group("turn leaves");
		c.test("turning forward lifts the right page onto the next spread", function() {
			var p = new Spreads(8, false).planTurn(0, 1);
			c.equal("1 1 2 3", [p.dir, p.front + 1, p.back + 1, p.under + 1].join(" "), "dir front back under");
			c.equal(1, p.target, "target");
		});
		c.test("turning back lifts the left page; the front cover has nothing under it", function() {
			var p = new Spreads(8, false).planTurn(1, 0);
			c.equal("-1 2 1", [p.dir, p.front + 1, p.back + 1].join(" "), "dir front back");
			c.equal(Spreads.NONE, p.under, "under");
		});
		c.test("turning onto the last page of an even book uncovers nothing", function() {
			var p = new Spreads(4, false).planTurn(1, 3);
			c.equal("3 4", [p.front + 1, p.back + 1].join(" "), "front back");
			c.equal(Spreads.NONE, p.under, "under");
		});
		c.test("jumping turns one leaf straight to the target spread", function() {
			var p = new Spreads(60, false).planTurn(0, new Spreads(60, false).placeOfNumber(40));
			c.equal("1 40 41", [p.front + 1, p.back + 1, p.under + 1].join(" "), "front back under");
		});
		c.test("in the single view a page turns over a blank back, going back in reverse", function() {
			var s = new Spreads(4, true);
			var on = s.planTurn(1, 2), back = s.planTurn(2, 1);
			c.equal("2 3 false", '${on.front + 1} ${on.under + 1} ${on.reverse}', "forward: front under reverse");
			c.equal("2 3 true", '${back.front + 1} ${back.under + 1} ${back.reverse}', "back: front under reverse");
			c.that(on.back == Spreads.BLANK && back.back == Spreads.BLANK, "blank backs");
		});
		c.test("there is no turn without a page to lift", function() {
			c.that(new Spreads(4, false).planTurn(3, 5) == null, "past an even book's end");
		});

		c.group("pages lying flat");
		c.test("at rest both pages lie flat under one shadow", function() {
			var s = new Spreads(8, false);
			var f = s.flat(1, null);
			c.equal("2 3", [f.left + 1, f.right + 1].join(" "), "left right");
			c.equal("-1 1 true", '${f.shadowFrom} ${f.shadowTo} ${f.spine}', "shadow and spine");
			var cover = s.flat(0, null);
			c.equal("0 1", [cover.shadowFrom, cover.shadowTo].join(" "), "the cover's shadow");
			c.equal(Spreads.NONE, cover.left, "nothing left of the cover");
		});
		c.test("a turn takes its page off the flat ones and the shadow spans the spread", function() {
			var s = new Spreads(8, false);
			c.equal(Spreads.NONE, s.flat(0, s.planTurn(0, 1)).right, "the cover is in the air");
			var on = s.flat(1, s.planTurn(1, 3));
			c.equal("2 -1", [on.left + 1, on.right].join(" "), "turning forward lifts the right page");
			c.equal("-1 1", [on.shadowFrom, on.shadowTo].join(" "), "shadow over the spread");
			var back = s.flat(3, s.planTurn(3, 1));
			c.equal("-1 5", [back.left, back.right + 1].join(" "), "turning back lifts the left page");
			c.equal("-1 1", [back.shadowFrom, back.shadowTo].join(" "), "shadow over the spread");
		});
		c.test("the single view has no spine", function() {
			var s = new Spreads(4, true);
			var f = s.flat(2, null);
			c.equal("-1 3 false", '${f.left} ${f.right + 1} ${f.spine}', "left right spine");
			c.equal(Spreads.NONE, s.flat(2, s.planTurn(2, 3)).right, "the page is in the air");
		});
		c.group("right-to-left books");
		c.test("the first page lies left of the spine and spreads read right to left", function() {
			var s = new Spreads(7, false, true);
			c.equal("1 | 2-3 | 4-5 | 6-7", forward(s), "the page box counts as before");
			c.equal("[1]", numbers(s.visible(0)), "the first page");
			c.equal("0 -1", [s.leftOf(0), s.rightOf(0)].join(" "), "first page on the left");
			c.equal("[3,2]", numbers(s.visible(1)), "spread 1, left to right");
			c.equal("[7,6]", numbers(s.visible(s.lastPlace())), "last spread");
			var even = new Spreads(4, false, true);
			c.equal("-1 4", [even.leftOf(even.lastPlace()), even.rightOf(even.lastPlace()) + 1].join(" "), "an even count ends on the right");
		});
		c.test("turns lift the same leaves the other way", function() {
			var ltr = new Spreads(8, false), rtl = new Spreads(8, false, true);
			for (move in [[0, 1], [1, 3], [3, 1], [1, 0], [5, 7]]) {
				var a = ltr.planTurn(move[0], move[1]), b = rtl.planTurn(move[0], move[1]);
				c.equal([a.front, a.back, a.under, a.target].join(" "), [b.front, b.back, b.under, b.target].join(" "), "leaves " + move);
				c.equal(-a.dir, b.dir, "direction " + move);
			}
		});
		c.test("what lies flat is the mirror of the left-to-right book", function() {
			var s = new Spreads(8, false, true);
			var cover = s.flat(0, null);
			c.equal("1 -1", [cover.left + 1, cover.right].join(" "), "the cover on the left");
			c.equal("-1 0", [cover.shadowFrom, cover.shadowTo].join(" "), "shadow under the cover only");
			var on = s.flat(1, s.planTurn(1, 3));
			c.equal("-1 2", [on.left, on.right + 1].join(" "), "turning forward lifts the left page");
			c.equal("-1 1", [on.shadowFrom, on.shadowTo].join(" "), "shadow over the spread");
			var back = s.flat(3, s.planTurn(3, 1));
			c.equal("5 -1", [back.left + 1, back.right].join(" "), "turning back lifts the right page");
			var rest = s.flat(3, null);
			c.equal("5 4", [rest.left + 1, rest.right + 1].join(" "), "at rest");
		});
		c.test("the single view is the same both ways", function() {
			var a = new Spreads(5, true), b = new Spreads(5, true, true);
			c.equal(forward(a), forward(b), "places");
			c.equal(a.planTurn(2, 3).dir, b.planTurn(2, 3).dir, "turn");
			c.equal(a.rightOf(2), b.rightOf(2), "page");
		});
	}
}
