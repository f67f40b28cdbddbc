import leafweaver.Outline;

class OutlineTests {
	public static function run(c:Check) {
		c.group("the outline");
		c.test("entries keep their order, depth and page", function() {
			var o = Outline.parse('[{"title":"One","level":0,"page":3},{"title":"  One.1 ","level":1,"page":5},{"title":"Two","level":0,"page":9}]', 12);
			c.equal("One/0/3 One.1/1/5 Two/0/9", [for (e in o) e.title + "/" + e.level + "/" + e.page].join(" "), "entries");
		});
		c.test("entries outside the book, without a title or of the wrong kind are left out", function() {
			var o = Outline.parse('[{"title":"Far","page":40},{"title":"","page":2},{"title":"Zero","page":0},{"title":3,"page":2},null,7,{"title":"Deep","level":99,"page":2}]', 12);
			c.equal("Deep/8/2", [for (e in o) e.title + "/" + e.level + "/" + e.page].join(" "), "kept");
		});
		c.test("a title's picture is kept only whole and in range", function() {
			var o = Outline.parse('[{"title":"简介","page":1,"picture":[2,44,180]},{"title":"فصل","page":1,"picture":[1,0,90],"rtl":true},'
				+ '{"title":"a","page":1,"picture":[0,0,9]},{"title":"b","page":1,"picture":[1,0]},{"title":"c","page":1,"picture":"1"}]', 3);
			c.equal("2/44/180/false 1/0/90/true - - -",
				[for (e in o) e.picture == null ? "-" : e.picture.sheet + "/" + e.picture.top + "/" + e.picture.width + "/" + e.rtl].join(" "), "pictures");
		});
		c.test("text that is not an outline gives none", function() {
			for (t in ["", "not json", "{}", '{"title":"x","page":1}', "null"])
				c.equal(0, Outline.parse(t, 5).length, "'" + t + "'");
		});
	}
}
